// GET /healthz and /readyz, for a balancer. Health says only that the process answers, so a
// balancer restarts nothing over a database hiccup; readiness says whether this instance can do
// its work now (feedback can be stored, a translation engine is configured), so a balancer
// sends its users elsewhere while it cannot. Readiness waits on the database (a bounded time),
// so it runs on a lane of its own: neither a stalled database's queue of messages nor the
// network threads stand in its way.

#include "server/stores/FeedbackStore.h"
#include "server/api/ProgramRoutes.h"
#include "server/engines/TranslationService.h"

#include "server/net/Router.h"

namespace quillo::server {

namespace {

constexpr std::string_view kPlain = "text/plain; charset=utf-8";

std::string unreadiness(const FeedbackStore& feedback, const TranslationService& translator)
{
    std::string reasons;
    for (const std::string& problem : feedback.readinessProblems())
        reasons += problem + "\n";
    if (translator.backendNames() == "none")
        reasons += "no translation engine configured\n";
    return reasons;
}

} // namespace

void AddHealthRoutes(web::Router& server, const FeedbackStore& feedback, const TranslationService& translator)
{
    server.Get("/healthz", [](const web::Request&, web::Response& response) {
        response.set_content("ok\n", kPlain);
    });
    server.Get("/readyz", [&feedback, &translator](const web::Request&, web::Response& response) {
        const std::string reasons = unreadiness(feedback, translator);
        response.status = reasons.empty() ? 200 : 503;
        response.set_content(reasons.empty() ? "ready\n" : reasons, kPlain);
    }, web::Lane::Probe);
}

} // namespace quillo::server
