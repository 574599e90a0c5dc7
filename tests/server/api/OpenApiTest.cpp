// The open JSON API v1 against stand-in engines: shapes, errors, keys, CORS and streaming.

#include "api/ApiStandIn.h"
#include "ServerFixture.h"
#include "server/api/GlossaryRoutes.h"
#include "server/api/ServiceEngines.h"
#include "server/engines/TranslationService.h"
#include "server/engines/echo/EchoBackend.h"
#include "server/engines/remote/ChatCompletionBackend.h"
#include "server/net/Router.h"
#include "server/stores/GlossaryStore.h"

#include <QFile>
#include <QJsonArray>
#include <QTemporaryDir>

#include <regex>
#include <set>

using namespace quillo::server;
using namespace quillo::server::testing;

namespace {

httplib::Client clientOf(const ApiServer& server)
{
    httplib::Client client(kLoopback, server.port());
    client.set_read_timeout(std::chrono::seconds(30));
    return client;
}

QJsonDocument json(const std::string& body)
{
    return QJsonDocument::fromJson(bytes(body));
}

std::string compact(const QJsonValue& value)
{
    return str(value.isArray() ? QJsonDocument(value.toArray()).toJson(QJsonDocument::Compact)
                               : QJsonDocument(value.toObject()).toJson(QJsonDocument::Compact));
}

// Reads from the connection until `needle` has arrived or the generous wait is over.
std::string waitFor(RawConnection& connection, std::string_view needle)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    std::string seen = connection.available();
    while (seen.find(needle) == std::string::npos && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        seen = connection.available();
    }
    return seen;
}

std::string postJson(int port, const std::string& path, const std::string& body, const std::string& extra = "")
{
    return "POST " + path + " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port)
        + "\r\nContent-Type: application/json\r\nContent-Length: " + std::to_string(body.size()) + "\r\n" + extra + "\r\n" + body;
}

// A chat model at `url` first in the chain, the echo engine after it, and the API over them.
struct ModelThenEcho {
    explicit ModelThenEcho(const std::string& url) : service(backends(url)), engines(service), server({}, &engines) {}
    static std::vector<std::unique_ptr<TranslationBackend>> backends(const std::string& url)
    {
        std::vector<std::unique_ptr<TranslationBackend>> list;
        list.push_back(std::make_unique<ChatCompletionBackend>(ChatCompletionOptions{url, "", "m"}));
        list.push_back(std::make_unique<EchoBackend>());
        return list;
    }
    const TranslationService service;
    const ServiceEngines engines;
    ApiServer server;
};

// The reload and test routes exist only with a control; the document is checked, not the control.
class UnusedControl final : public EngineControl {
public:
    Reload reload() const override { return {}; }
    EngineOutcome test(const std::string&, const std::map<std::string, std::string>&, const TranslationRequest&) const override
    {
        return {};
    }
};

} // namespace

TEST(OpenApi, ListsEnginesWithTheirPairs)
{
    ApiServer server;
    auto client = clientOf(server);
    const auto reply = client.Get("/api/v1/engines");
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->status, 200);
    EXPECT_EQ(reply->get_header_value("Content-Type"), "application/json");
    EXPECT_EQ(compact(json(reply->body).array().first()),
              R"({"id":"mt","kind":"mt","name":"机器翻译","online":false,"pairs":[["en","zh-Hans"],["zh-Hans","en"],["en","zh-Hant"]]})");
}

TEST(OpenApi, TranslatesWithTheChainNamedEnginesOrAll)
{
    ApiServer server;
    auto client = clientOf(server);
    const struct {
        std::string body;
        int status;
        std::string answer;
    } cases[] = {
        {R"({"text":"hi","source":"en","target":"zh-Hans"})", 200,
         R"({"results":[{"engine":"mt","kind":"mt","text":"zh:hi"}],"source":"en"})"},
        {R"({"text":"hi","source":"EN","target":"zt","engines":["mt"]})", 200,
         R"({"results":[{"engine":"mt","kind":"mt","text":"zt:hi"}],"source":"en"})"},
        {R"({"text":"hi","source":"en","target":"zh","engines":"all"})", 200,
         R"({"results":[{"engine":"mt","kind":"mt","text":"zh:hi"},{"engine":"llm","kind":"llm","text":"Hello world"}],"source":"en"})"},
        {R"({"text":"hi","source":"en","target":"zh-Hant","engines":["llm","nope"]})", 200,
         R"({"results":[{"engine":"llm","error":"llm does not serve this pair"},{"engine":"nope","error":"no engine nope"}],"source":"en"})"},
        {R"({"text":"The weather is lovely today and we walk in the park.","source":"auto","target":"zh-Hans"})", 200,
         R"({"results":[{"engine":"mt","kind":"mt","text":"zh:The weather is lovely today and we walk in the park."}],"source":"en"})"},
        {R"({"text":"12345","target":"zh-Hans"})", 400, R"({"error":"Cannot tell the language of the text: give \"source\""})"},
        {R"({"text":"hi","source":"en","target":"xx"})", 400, R"({"error":"xx is not a supported language"})"},
        {R"({"source":"en","target":"zh"})", 400, R"({"error":"Invalid request: \"text\" (a string) and \"target\" are required"})"},
        {R"({"text":"hi","source":"en","target":"zh","engines":[]})", 400, R"({"error":"Invalid request: \"engines\" is an empty list"})"},
        {R"([1,2])", 400, R"({"error":"Invalid request: the body is not a JSON object"})"},
    };
    for (const auto& c : cases) {
        const auto reply = client.Post("/api/v1/translate", c.body, "application/json");
        ASSERT_TRUE(reply) << c.body;
        EXPECT_EQ(reply->status, c.status) << c.body;
        EXPECT_EQ(compact(json(reply->body).object()), c.answer) << c.body;
    }
}

TEST(OpenApi, DetectsBestFirst)
{
    ApiServer server;
    auto client = clientOf(server);
    const auto reply = client.Post("/api/v1/detect", R"({"text":"我用 Linux 和 Qt 寫程式。"})", "application/json");
    ASSERT_TRUE(reply);
    const QJsonArray guesses = json(reply->body).array();
    ASSERT_FALSE(guesses.isEmpty()) << reply->body;
    EXPECT_EQ(guesses.first()[QStringLiteral("language")].toString(), QStringLiteral("zh-Hant"));
    const double confidence = guesses.first()[QStringLiteral("confidence")].toDouble();
    EXPECT_GT(confidence, 0.5);
    EXPECT_LT(confidence, 1.0);
    EXPECT_EQ(client.Post("/api/v1/detect", "{}", "application/json")->status, 400);
}

// The pieces leave as they arrive: the first delta is read while the engine still holds its last
// piece, and the events come in their order: deltas, then each engine's done, then end.
TEST(OpenApi, StreamsPiecesAsTheyArrive)
{
    ApiServer server;
    server.engines.holdLastPiece = true;
    RawConnection connection(server.port());
    ASSERT_TRUE(connection.send(postJson(server.port(), "/api/v1/translate",
                                         R"({"text":"hi","source":"en","target":"zh-Hans","engines":"all","stream":true})")));
    const std::string early = waitFor(connection, R"(data: {"engine":"llm","text":"Hel"})");
    EXPECT_NE(early.find(R"(data: {"engine":"llm","text":"Hel"})"), std::string::npos) << early;
    EXPECT_FALSE(server.engines.lastPieceSent());
    EXPECT_NE(early.find("Content-Type: text/event-stream"), std::string::npos);
    EXPECT_NE(early.find("Transfer-Encoding: chunked"), std::string::npos);
    server.engines.release();
    const std::string all = waitFor(connection, "event: end");

    std::vector<std::string> events;
    for (size_t at = all.find("event: "); at != std::string::npos; at = all.find("event: ", at + 1)) {
        const size_t data = all.find("data: ", at);
        events.push_back(all.substr(at + 7, all.find('\n', at) - at - 7) + " "
                         + all.substr(data + 6, all.find('\n', data) - data - 6));
    }
    const std::vector<std::string> expected{
        R"(delta {"engine":"mt","text":"zh:hi"})",
        R"(done {"engine":"mt","kind":"mt","text":"zh:hi"})",
        R"(delta {"engine":"llm","text":"Hel"})",
        R"(delta {"engine":"llm","text":"lo "})",
        R"(delta {"engine":"llm","text":"world"})",
        R"(done {"engine":"llm","kind":"llm","text":"Hello world"})",
        R"(end {"source":"en"})",
    };
    EXPECT_EQ(events, expected) << all;
    EXPECT_NE(all.find("\r\n0\r\n\r\n"), std::string::npos) << "the chunked body ends";
}

TEST(OpenApi, StreamsToAnHttp10ClientUntilClose)
{
    ApiServer server;
    const std::string body = R"({"text":"hi","source":"en","target":"zh","stream":true})";
    RawConnection connection(server.port()); // the body ends where the connection does
    ASSERT_TRUE(connection.send("POST /api/v1/translate HTTP/1.0\r\nContent-Type: application/json\r\nContent-Length: "
                                + std::to_string(body.size()) + "\r\n\r\n" + body));
    const std::string reply = connection.untilClosed(std::chrono::seconds(10));
    EXPECT_EQ(reply.find("chunked"), std::string::npos) << reply;
    EXPECT_NE(reply.find("event: end"), std::string::npos) << reply;
}

TEST(OpenApi, KeysAreRequiredWhenGiven)
{
    ApiServer server(ApiServerOptions{{"k1", "k2"}, {}, 20000});
    auto client = clientOf(server);
    const std::string body = R"({"text":"hi","source":"en","target":"zh"})";
    EXPECT_EQ(client.Post("/api/v1/translate", body, "application/json")->status, 403);
    EXPECT_EQ(client.Post("/api/v1/translate", {{"Authorization", "Bearer nope"}}, body, "application/json")->status, 403);
    EXPECT_EQ(client.Post("/api/v1/translate", {{"Authorization", "Bearer k2"}}, body, "application/json")->status, 200);
    EXPECT_EQ(client.Post("/api/v1/translate", {{"X-API-Key", "k1"}}, body, "application/json")->status, 200);
    EXPECT_EQ(client.Post("/api/v1/translate", R"({"text":"hi","source":"en","target":"zh","api_key":"k1"})", "application/json")->status, 200);
    EXPECT_EQ(client.Get("/api/v1/engines")->status, 403);
    EXPECT_EQ(client.Get("/api/v1/engines", {{"Authorization", "Bearer k1"}})->status, 200);
    const auto refused = client.Post("/api/v1/detect", R"({"text":"hi"})", "application/json");
    EXPECT_EQ(compact(json(refused->body).object()), R"({"error":"Invalid API key"})");
    EXPECT_EQ(server.engines.calls.load(), 3);
}

// A page of a listed origin gets its preflight answered and may read the reply; any other origin
// is refused as before; loopback names pass the Host check.
TEST(OpenApi, CorsForListedOriginsOnly)
{
    ApiServer server(ApiServerOptions{{}, {"https://app.example.org/"}, 20000});
    const std::string host = "Host: localhost:" + std::to_string(server.port()) + "\r\n";
    const std::string preflight = RawExchange(server.port(),
        "OPTIONS /api/v1/translate HTTP/1.1\r\n" + host + "Origin: https://app.example.org\r\n"
        "Access-Control-Request-Method: POST\r\nAccess-Control-Request-Headers: content-type\r\nConnection: close\r\n\r\n");
    EXPECT_EQ(preflight.substr(0, 12), "HTTP/1.1 204") << preflight;
    EXPECT_NE(preflight.find("Access-Control-Allow-Origin: https://app.example.org"), std::string::npos);
    EXPECT_NE(preflight.find("Access-Control-Allow-Methods: GET, POST, DELETE, OPTIONS"), std::string::npos);

    const std::string body = R"({"text":"hi","source":"en","target":"zh"})";
    const auto post = [&](const std::string& origin) {
        return RawExchange(server.port(), "POST /api/v1/translate HTTP/1.1\r\n" + host + "Origin: " + origin
                                              + "\r\nSec-Fetch-Site: cross-site\r\nContent-Type: application/json\r\nContent-Length: "
                                              + std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
    };
    const std::string listed = post("https://app.example.org");
    EXPECT_EQ(listed.substr(0, 12), "HTTP/1.1 200") << listed;
    EXPECT_NE(listed.find("Access-Control-Allow-Origin: https://app.example.org"), std::string::npos);
    const std::string other = post("https://evil.example.com");
    EXPECT_EQ(other.substr(0, 12), "HTTP/1.1 403") << other;
    EXPECT_EQ(other.find("Access-Control-Allow-Origin"), std::string::npos);
    const std::string otherPreflight = RawExchange(server.port(),
        "OPTIONS /api/v1/translate HTTP/1.1\r\n" + host + "Origin: https://evil.example.com\r\nAccess-Control-Request-Method: POST\r\nConnection: close\r\n\r\n");
    EXPECT_EQ(otherPreflight.substr(0, 12), "HTTP/1.1 403") << otherPreflight;
    const std::string foreignHost = RawExchange(server.port(), "GET /api/v1/engines HTTP/1.1\r\nHost: rebound.example.com\r\nConnection: close\r\n\r\n");
    EXPECT_EQ(foreignHost.substr(0, 12), "HTTP/1.1 421") << foreignHost;
}

// The whole road of a chat model's streamed reply: a stand-in model sends its reply as
// server-sent events, some hundred milliseconds apart, and holds its last piece until told; the
// first piece and the done of the echo engine beside it have reached the client by then, and the
// model's done event carries the whole reply.
TEST(OpenApi, ChatModelRepliesStreamThroughTheService)
{
    std::mutex mutex;
    std::condition_variable released;
    bool free = false;
    std::atomic<bool> lastSent{false};
    LocalSite model;
    model.server().set_keep_alive_max_count(1);
    model.server().Post("/v1/chat/completions", [&](const httplib::Request&, httplib::Response& response) {
        response.set_chunked_content_provider("text/event-stream", [&](size_t, httplib::DataSink& sink) {
            const auto send = [&](const std::string& content) {
                const std::string event = "data: {\"choices\":[{\"delta\":{\"content\":\"" + content + "\"}}]}\n\n";
                sink.write(event.data(), event.size());
            };
            send("Guten");
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            send(" Mor");
            std::unique_lock lock(mutex);
            released.wait_for(lock, std::chrono::seconds(30), [&] { return free; });
            send("gen");
            lastSent = true;
            sink.write("data: [DONE]\n\n", 14);
            sink.done();
            return true;
        });
    });
    model.start();
    ModelThenEcho chain(model.url("/v1"));
    ApiServer& server = chain.server;

    RawConnection connection(server.port());
    ASSERT_TRUE(connection.send(postJson(server.port(), "/api/v1/translate",
                                         R"({"text":"Good morning","source":"en","target":"de","engines":["llm","echo"],"stream":true})")));
    const std::string echoDone = R"(data: {"engine":"echo","kind":"machine-translation","text":"[de] Good morning"})";
    const std::string early = waitFor(connection, echoDone);
    EXPECT_NE(early.find(echoDone), std::string::npos) << early;
    EXPECT_NE(early.find(R"(event: delta)" "\n" R"(data: {"engine":"llm","text":"Guten"})"), std::string::npos) << early;
    EXPECT_FALSE(lastSent.load());
    {
        std::lock_guard lock(mutex);
        free = true;
    }
    released.notify_all();
    const std::string all = waitFor(connection, "event: end");
    EXPECT_NE(all.find(R"(data: {"engine":"llm","text":"gen"})"), std::string::npos) << all;
    EXPECT_NE(all.find(R"(event: done)" "\n" R"(data: {"engine":"llm","kind":"machine-translation","text":"Guten Morgen"})"), std::string::npos) << all;
    EXPECT_LT(all.find("event: done"), all.find("event: end"));
}

// Without "engines" the chain answers as the program's contracts do: an engine that fails on its
// side hands the text on to the next, whose answer is tagged with its own id.
TEST(OpenApi, TheChainFallsThroughAFailingEngine)
{
    LocalSite model;
    model.server().Post("/v1/chat/completions", [](const httplib::Request&, httplib::Response& response) {
        response.status = 503;
    });
    model.start();
    ModelThenEcho chain(model.url("/v1"));
    ApiServer& server = chain.server;
    auto client = clientOf(server);
    for (const bool stream : {false, true}) {
        const auto reply = client.Post("/api/v1/translate",
                                       std::string(R"({"text":"hi","source":"en","target":"de","stream":)") + (stream ? "true}" : "false}"),
                                       "application/json");
        ASSERT_TRUE(reply);
        EXPECT_EQ(reply->status, 200);
        EXPECT_NE(reply->body.find(R"({"engine":"echo","kind":"machine-translation","text":"[de] hi"})"), std::string::npos) << reply->body;
        EXPECT_EQ(reply->body.find(R"("error")"), std::string::npos) << reply->body;
    }
}

// GET /spec documents exactly the routes served under /api/v1 and the LibreTranslate paths: a route
// added without its entry, or an entry left after its route went, fails here.
TEST(OpenApi, TheSpecificationListsEveryRoute)
{
    QTemporaryDir folder;
    std::string error;
    const auto glossary = GlossaryStore::open(folder.filePath(QStringLiteral("glossary.sqlite")).toStdString(), error);
    ASSERT_TRUE(glossary) << error;
    const StandInEngines engines;
    const ApiKeys keys;
    const UnusedControl control;
    const ApiContext context{engines, keys, 1024, 100, &control};
    web::Router router;
    AddOpenApiRoutes(router, context);
    AddLibreTranslateRoutes(router, context);
    AddGlossaryRoutes(router, context, *glossary);

    std::set<std::string> served;
    for (const web::Router::Route& route : router.routes()) {
        const std::string path = std::regex_replace(route.source, std::regex(R"(\([^)]*\))"), "{id}");
        served.insert(QString::fromStdString(route.method).toLower().toStdString() + " " + path);
    }
    std::set<std::string> documented;
    const QJsonObject paths = QJsonDocument::fromJson(bytes(std::string(ApiSpecification())))[QStringLiteral("paths")].toObject();
    for (auto path = paths.begin(); path != paths.end(); ++path) {
        for (const QString& method : path.value().toObject().keys())
            documented.insert(method.toStdString() + " " + path.key().toStdString());
    }
    EXPECT_GE(served.size(), 14u);
    EXPECT_EQ(documented, served);
}

// The running service serves the API with its own engines, behind --api-keys and --cors-origin.
TEST(OpenApi, TheServiceServesItWithItsOptions)
{
    QTemporaryDir folder;
    const std::string keyFile = folder.filePath(QStringLiteral("keys")).toStdString();
    {
        QFile file(QString::fromStdString(keyFile));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("# the team\n  team-key  \n\n");
    }
    ServeOptions options = RunningService::echoOptions();
    options.apiKeysFile = keyFile;
    options.corsOrigins = {"https://app.example.org"};
    RunningService service(options);
    auto client = service.client();
    EXPECT_EQ(client.Get("/api/v1/engines")->status, 403);
    const auto engines = client.Get("/api/v1/engines", {{"X-API-Key", "team-key"}});
    ASSERT_EQ(engines->status, 200);
    EXPECT_EQ(QJsonDocument::fromJson(bytes(engines->body)).array().first()[QStringLiteral("id")].toString(), QStringLiteral("echo"));
    const auto translated = client.Post("/translate", "q=hi&source=en&target=zh&api_key=team-key", kForm);
    EXPECT_EQ(translated->status, 200) << translated->body;
    EXPECT_EQ(client.Get("/languages")->status, 200);
    const auto preflight = client.Options("/translate", {{"Origin", "https://app.example.org"}, {"Access-Control-Request-Method", "POST"}});
    EXPECT_EQ(preflight->status, 204);

    options.apiKeysFile = folder.filePath(QStringLiteral("missing")).toStdString();
    Service broken(options);
    std::string error;
    EXPECT_FALSE(broken.start(error));
    EXPECT_NE(error.find("cannot read the API key file"), std::string::npos) << error;
}
