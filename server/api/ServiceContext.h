#pragma once
// What the routes share. Owned by the running service; the routes hold references only.

#include <cstddef>
#include <functional>
#include <string>

namespace quillo::server {

namespace web {
class Router;
struct Request;
}

class FeedbackStore;
class PageFetcher;
class TokenStore;
class TranslationService;

struct Limits {
    size_t translationBody = 64 * 1024;
    size_t feedbackBody = 16 * 1024;
};

struct ServiceContext {
    TranslationService& translator;
    TokenStore& sessions; // WorldLingo per-visit tokens of the loader page
    TokenStore& pageIds;  // page-translation identifiers of the object address
    FeedbackStore& feedback;
    PageFetcher& fetcher;
    std::string releaseDir;
    Limits limits;
    // Whether a browser marks the request as sent by a page of another site (Origin, Referer,
    // Sec-Fetch-Site); always false where the service does not guard its callers.
    std::function<bool(const web::Request&)> fromAnotherSite;
    // After a message is committed: wakes whatever forwards it; empty when nothing does.
    std::function<void()> feedbackStored;
    // A line the feedback reply adds to say where a message stays when nobody will read it (the
    // program's own server without an upstream); empty otherwise.
    std::string feedbackKeptLocally;
};

void AddBabelFishRoutes(web::Router& server, ServiceContext& context);
void AddWorldLingoRoutes(web::Router& server, ServiceContext& context);
void AddPageRoutes(web::Router& server, ServiceContext& context);
void AddUpdateRoutes(web::Router& server, ServiceContext& context);
void AddFeedbackRoutes(web::Router& server, ServiceContext& context);
void AddHomePageRoutes(web::Router& server, ServiceContext& context);
void AddHealthRoutes(web::Router& server, ServiceContext& context);

} // namespace quillo::server
