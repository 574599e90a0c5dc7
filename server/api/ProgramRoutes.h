#pragma once
// The routes of the program's own contracts (text and page translation, update, feedback), the
// home page and the health probes. Each group is handed only what it reads; the references it
// holds belong to the running service and outlive the router.

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

// Whether a browser marks the request as sent by a page of another site (Origin, Referer,
// Sec-Fetch-Site); always false where the service does not guard its callers.
using FromAnotherSite = std::function<bool(const web::Request&)>;

void AddBabelFishRoutes(web::Router& server, const TranslationService& translator, size_t bodyBytes);

struct WorldLingoContext {
    const TranslationService& translator;
    const TokenStore& sessions; // per-visit tokens of the loader page
    const TokenStore& pageIds;  // page-translation identifiers of the object address
    size_t bodyBytes;
    FromAnotherSite fromAnotherSite;
};
void AddWorldLingoRoutes(web::Router& server, WorldLingoContext context);

struct PageContext {
    const TranslationService& translator;
    const TokenStore& pageIds;
    const PageFetcher& fetcher;
    FromAnotherSite fromAnotherSite;
};
void AddPageRoutes(web::Router& server, PageContext context);

struct FeedbackContext {
    FeedbackStore& store;
    size_t bodyBytes;
    // After a message is committed: wakes whatever forwards it; empty when nothing does.
    std::function<void()> stored;
    // A line the reply adds to say where a message stays when nobody will read it (the
    // program's own server without an upstream); empty otherwise.
    std::string keptLocally;
};
void AddFeedbackRoutes(web::Router& server, FeedbackContext context);

void AddUpdateRoutes(web::Router& server, std::string releaseDir);
void AddHomePageRoutes(web::Router& server, std::string releaseDir);
void AddHealthRoutes(web::Router& server, const FeedbackStore& feedback, const TranslationService& translator);

} // namespace quillo::server
