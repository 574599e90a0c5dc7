#pragma once
// What the routes share. Owned by the running service; the routes hold references only.

#include <cstddef>
#include <string>

namespace httplib {
class Server;
}

namespace quillo::server {

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
};

void AddBabelFishRoutes(httplib::Server& server, ServiceContext& context);
void AddWorldLingoRoutes(httplib::Server& server, ServiceContext& context);
void AddPageRoutes(httplib::Server& server, ServiceContext& context);
void AddUpdateRoutes(httplib::Server& server, ServiceContext& context);
void AddFeedbackRoutes(httplib::Server& server, ServiceContext& context);
void AddHomePageRoutes(httplib::Server& server, ServiceContext& context);

} // namespace quillo::server
