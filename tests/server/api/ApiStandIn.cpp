#include "api/ApiStandIn.h"

#include <gtest/gtest.h>

namespace quillo::server::testing {

namespace {

std::pair<const ServiceLanguage*, const ServiceLanguage*> pair(std::string_view source, std::string_view target)
{
    return {LanguageByCode(source), LanguageByCode(target)};
}

} // namespace

std::vector<EngineSummary> StandInEngines::engines() const
{
    return {{"mt", "机器翻译", "mt", false, {pair("en", "zh"), pair("zh", "en"), pair("en", "zt")}},
            {"llm", "大模型", "llm", true, {pair("en", "zh"), pair("de", "zh")}}};
}

void StandInEngines::release()
{
    std::lock_guard lock(mutex);
    free_ = true;
    released_.notify_all();
}

bool StandInEngines::lastPieceSent() const
{
    std::lock_guard lock(mutex);
    return lastSent_;
}

EngineOutcome StandInEngines::run(const std::string& id, const TranslationRequest& request, const OnPiece& onPiece) const
{
    const auto summaries = engines();
    const auto engine = std::find_if(summaries.begin(), summaries.end(), [&](const EngineSummary& e) { return e.id == id; });
    if (engine == summaries.end())
        return {id, "", false, "", "no engine " + id};
    if (std::find(engine->pairs.begin(), engine->pairs.end(), std::make_pair(request.source, request.target)) == engine->pairs.end())
        return {id, engine->kind, false, "", id + " does not serve this pair"};
    if (id == "mt") {
        if (rateLimited)
            return {id, engine->kind, false, "", "too many requests", true};
        const std::string text = std::string(request.target->code) + ":" + request.text;
        if (onPiece)
            onPiece(id, text);
        return {id, engine->kind, true, text, ""};
    }
    std::string text;
    for (size_t i = 0; i < llmPieces.size(); ++i) {
        if (i + 1 == llmPieces.size() && holdLastPiece) {
            std::unique_lock lock(mutex);
            released_.wait_for(lock, std::chrono::seconds(30), [this] { return free_; });
        }
        text += llmPieces[i];
        if (onPiece)
            onPiece(id, llmPieces[i]);
    }
    {
        std::lock_guard lock(mutex);
        lastSent_ = true;
    }
    return {id, engine->kind, true, text, ""};
}

std::vector<EngineOutcome> StandInEngines::translate(const TranslationRequest& request, const EngineSelection& selection,
                                                     const OnPiece& onPiece, const OnOutcome& onOutcome) const
{
    ++calls;
    {
        std::lock_guard lock(mutex);
        lastRequest = request;
    }
    std::vector<std::string> ids = selection.ids;
    if (selection.mode == EngineSelection::Mode::Chain)
        ids = {"mt"};
    if (selection.mode == EngineSelection::Mode::All)
        ids = {"mt", "llm"};
    std::vector<EngineOutcome> outcomes;
    for (const std::string& id : ids) {
        outcomes.push_back(run(id, request, onPiece));
        if (onOutcome)
            onOutcome(outcomes.back());
    }
    return outcomes;
}

ApiServer::ApiServer(ApiServerOptions options, const ApiEngines* real)
    : keys_(options.keys), context_{real ? *real : engines, keys_, 64 * 1024, options.charLimit}
{
    AddOpenApiRoutes(router_, context_);
    AddLibreTranslateRoutes(router_, context_);
    guard_.emplace(true, "127.0.0.1", 0, std::vector<std::string>{}, CorsPolicy(options.corsOrigins));
    web::ServerLimits limits;
    limits.threads = 2;
    http_ = std::make_unique<web::HttpServer>(router_, limits, [this](const web::Request& request, web::Response& response) {
        return guard_->screen(request, response);
    });
    std::string error;
    EXPECT_TRUE(http_->listen("127.0.0.1", 0, error)) << error;
    thread_ = std::thread([this] { http_->run(); });
    while (!http_->running())
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
}

ApiServer::~ApiServer()
{
    engines.release();
    http_->stop();
    thread_.join();
}

} // namespace quillo::server::testing
