#pragma once
// The open API's routes on a server of their own, in this process, over stand-in engines whose
// answers the tests choose: "mt" translates to "<target>:<text>" in one piece; "llm" streams its
// reply in pieces and can be held before its last piece until the test lets it go.

#include "server/api/ApiContext.h"
#include "server/net/CorsPolicy.h"
#include "server/net/HostGuard.h"
#include "server/net/HttpServer.h"
#include "server/net/Router.h"

#include <condition_variable>
#include <mutex>
#include <thread>

namespace quillo::server::testing {

class StandInEngines final : public ApiEngines {
public:
    std::vector<EngineSummary> engines() const override;
    std::vector<EngineOutcome> translate(const TranslationRequest& request, const EngineSelection& selection,
                                         const OnPiece& onPiece, const OnOutcome& onOutcome) const override;
    std::string prepare(const ServiceLanguage&, const ServiceLanguage&) const override { return "mt"; }

    std::vector<std::string> llmPieces{"Hel", "lo ", "world"};
    bool holdLastPiece = false; // the llm waits for release() before its last piece
    bool rateLimited = false;   // the mt engine refuses for too many requests
    void release();
    bool lastPieceSent() const;
    mutable std::atomic<int> calls{0};
    mutable std::mutex mutex;
    mutable TranslationRequest lastRequest;

private:
    EngineOutcome run(const std::string& id, const TranslationRequest& request, const OnPiece& onPiece) const;

    mutable std::condition_variable released_;
    mutable bool free_ = false;
    mutable bool lastSent_ = false;
};

struct ApiServerOptions {
    std::vector<std::string> keys;
    std::vector<std::string> corsOrigins;
    size_t charLimit = 20000;
};

class ApiServer {
public:
    // The routes over `real` engines when given, else over the stand-ins.
    explicit ApiServer(ApiServerOptions options = {}, const ApiEngines* real = nullptr);
    ~ApiServer();

    StandInEngines engines;
    int port() const { return http_->port(); }

private:
    ApiKeys keys_;
    ApiContext context_;
    web::Router router_;
    std::optional<CorsPolicy> cors_;
    std::optional<HostGuard> guard_;
    std::unique_ptr<web::HttpServer> http_;
    std::thread thread_;
};

} // namespace quillo::server::testing
