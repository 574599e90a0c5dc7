// The open API's cost on top of the engine it asks, over loopback with a kept-alive connection:
// BM_EngineAlone is the engine called directly, BM_ApiTranslate the same translation through
// POST /api/v1/translate (the difference of the medians is the API's overhead). BM_PieceDelay is
// the time from an engine handing a piece of a streamed reply to the server until the client has
// read it, one piece at a time.
//
// usage: bench_api --benchmark_repetitions=9 --benchmark_report_aggregates_only=true

#include "server/api/ApiContext.h"
#include "server/base/Log.h"
#include "server/net/HttpServer.h"
#include "server/net/Router.h"

#include <benchmark/benchmark.h>
#include <httplib.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <condition_variable>
#include <mutex>
#include <thread>

using namespace quillo::server;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kPieces = 20;

// Answers at once; a streamed reply waits for the client to have read each piece before the next.
class InstantEngines final : public ApiEngines {
public:
    std::vector<EngineSummary> engines() const override { return {{"echo", "echo", "mt", false, {}}}; }
    std::string prepare(const ServiceLanguage&, const ServiceLanguage&) const override { return "echo"; }
    std::vector<EngineOutcome> translate(const TranslationRequest& request, const EngineSelection&, const OnPiece& onPiece,
                                         const OnOutcome&) const override
    {
        if (!onPiece)
            return {{"echo", "mt", true, request.text, ""}};
        for (int i = 0; i < kPieces; ++i) {
            std::unique_lock lock(mutex);
            sent = Clock::now();
            read = false;
            onPiece("echo", "piece ");
            arrived.wait(lock, [this] { return read; });
        }
        return {{"echo", "mt", true, request.text, ""}};
    }

    mutable std::mutex mutex;
    mutable std::condition_variable arrived;
    mutable Clock::time_point sent;
    mutable bool read = false;
};

struct Server {
    Server() : context{engines, keys}
    {
        SetQuiet(true); // a log line per request is the service's own cost, but not the API's
        AddOpenApiRoutes(router, context);
        web::ServerLimits limits;
        limits.threads = 2;
        http = std::make_unique<web::HttpServer>(router, limits, nullptr);
        std::string error;
        if (!http->listen("127.0.0.1", 0, error))
            std::abort();
        thread = std::thread([this] { http->run(); });
        while (!http->running())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ~Server()
    {
        http->stop();
        thread.join();
    }

    InstantEngines engines;
    ApiKeys keys;
    ApiContext context;
    web::Router router;
    std::unique_ptr<web::HttpServer> http;
    std::thread thread;
};

const std::string kBody = R"({"text":"The weather is nice today","source":"en","target":"es","engines":["echo"]})";

void BM_EngineAlone(benchmark::State& state)
{
    InstantEngines engines;
    TranslationRequest request{"The weather is nice today", LanguageByCode("en"), LanguageByCode("es"), "es", {}};
    for (auto _ : state)
        benchmark::DoNotOptimize(engines.translate(request, {EngineSelection::Mode::Named, {"echo"}}, {}, {}));
}
BENCHMARK(BM_EngineAlone)->Unit(benchmark::kMicrosecond);

void BM_ApiTranslate(benchmark::State& state)
{
    Server server;
    httplib::Client client("127.0.0.1", server.http->port());
    client.set_keep_alive(true);
    client.set_tcp_nodelay(true); // else the body waits on the server's delayed ACK
    for (auto _ : state) {
        const auto reply = client.Post("/api/v1/translate", kBody, "application/json");
        if (!reply || reply->status != 200)
            state.SkipWithError("no answer");
    }
}
BENCHMARK(BM_ApiTranslate)->Unit(benchmark::kMicrosecond);

void BM_PieceDelay(benchmark::State& state)
{
    Server server;
    for (auto _ : state) {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<uint16_t>(server.http->port()));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
            return state.SkipWithError("no connection");
        const std::string body = R"({"text":"x","source":"en","target":"es","stream":true,"engines":["echo"]})";
        const std::string request = "POST /api/v1/translate HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: application/json\r\nContent-Length: "
            + std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
        ::send(fd, request.data(), request.size(), 0);
        std::string received;
        size_t seen = 0;
        double total = 0;
        char buffer[4096];
        for (int piece = 0; piece < kPieces;) {
            const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
            if (n <= 0)
                break;
            received.append(buffer, static_cast<size_t>(n));
            size_t at = received.find("event: delta", seen);
            if (at == std::string::npos)
                continue;
            seen = at + 1;
            std::lock_guard lock(server.engines.mutex);
            total += std::chrono::duration<double>(Clock::now() - server.engines.sent).count();
            server.engines.read = true;
            server.engines.arrived.notify_all();
            ++piece;
        }
        ::close(fd);
        state.SetIterationTime(total / kPieces);
    }
}
BENCHMARK(BM_PieceDelay)->UseManualTime()->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
