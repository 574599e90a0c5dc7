// The client against a scripted loopback server: the engine list, a stream whose events arrive
// cut anywhere and reach the caller before the reply ends, cancelling, and a server without the
// API.
#include "apiclient/ApiClient.h"
#include "../http/LoopbackServer.h"
#include "WaitUntil.h"

#include <QTest>
#include <gtest/gtest.h>

using namespace quillo;
using namespace quillo::test;

namespace {

const QByteArray kStreamHead = "HTTP/1.1 200 OK\r\nContent-Type: text/event-stream\r\nConnection: close\r\n\r\n";

QByteArray pathOf(const QByteArray& request)
{
    return request.split(' ').value(1);
}

// The stream's pieces; the server waits for the test's gate after the first.
void streamTwoEngines(Connection& connection)
{
    const QByteArray request = connection.readRequest();
    if (pathOf(request) == "/api/v1/engines") {
        connection.reply(200, R"([{"id":"llm","name":"大模型","kind":"llm","online":true,"pairs":[["en","zh-Hans"]]},)"
                              R"({"id":"dictionary","name":"词典","kind":"dictionary","online":false,"pairs":[]}])");
        return;
    }
    connection.send(kStreamHead + "event: delta\ndata: {\"engine\":\"llm\",\"text\":\"早\"}\n\nevent: del");
    connection.waitForGate();
    connection.send("ta\ndata: {\"engine\":\"llm\",\"text\":\"上好\"}\n\n"
                    "event: done\ndata: {\"engine\":\"llm\",\"text\":\"早上好\"}\n\n"
                    "event: done\ndata: {\"engine\":\"deepl\",\"error\":\"DeepL 拒绝了密钥\"}\n\n"
                    "event: end\ndata: {\"source\":\"en\"}\n\n");
    connection.close();
}

struct Client
{
    LoopbackServer server{streamTwoEngines};
    ApiClient api{[this] { return QStringLiteral("http://127.0.0.1:%1").arg(server.port()); }};
    QStringList seen; // every signal, in order

    Client()
    {
        QObject::connect(&api, &ApiClient::delta, [this](int, const QString& engine, const QString& piece) {
            seen << QStringLiteral("delta %1 %2").arg(engine, piece);
        });
        QObject::connect(&api, &ApiClient::engineDone, [this](int, const EngineResult& result) {
            seen << QStringLiteral("done %1 %2%3").arg(result.engine, result.text, result.error);
        });
        QObject::connect(&api, &ApiClient::ended, [this](int, const QString& source) { seen << QStringLiteral("end ") + source; });
        QObject::connect(&api, &ApiClient::failed,
                         [this](int, const ApiFailure& failure) { seen << QStringLiteral("failed %1").arg(failure.kind); });
        QObject::connect(&api, &ApiClient::enginesListed, [this](int, const std::vector<EngineInfo>& engines) {
            seen << QStringLiteral("engines %1 %2").arg(engines.size()).arg(engines[0].serves(QStringLiteral("en"), QStringLiteral("zh-Hans")));
        });
    }
};

} // namespace

TEST(ApiClient, PiecesReachTheCallerAsTheyArriveAndTheStreamEndsOnce)
{
    Client client;
    client.api.translate({QStringLiteral("Good morning"), QStringLiteral("en"), QStringLiteral("zh-Hans"), {}});
    ASSERT_EVENTUALLY_EQ(client.seen, QStringList{QStringLiteral("delta llm 早")});
    client.server.openGate();
    const QStringList expected{QStringLiteral("delta llm 早"), QStringLiteral("delta llm 上好"),
                               QStringLiteral("done llm 早上好"), QStringLiteral("done deepl DeepL 拒绝了密钥"),
                               QStringLiteral("end en")};
    ASSERT_EVENTUALLY_EQ(client.seen, expected);
    const QByteArray request = client.server.requests().value(0);
    EXPECT_TRUE(bodyOf(request).contains(R"("engines":"all")")) << request.constData();
    EXPECT_TRUE(bodyOf(request).contains(R"("stream":true)"));

    client.api.listEngines();
    ASSERT_EVENTUALLY_EQ(client.seen.size(), expected.size() + 1);
    EXPECT_EQ(client.seen.last(), QStringLiteral("engines 2 1"));
}

TEST(ApiClient, ACancelledCallSaysNothingMore)
{
    Client client;
    const int call = client.api.translate({QStringLiteral("Good morning"), QStringLiteral("en"), QStringLiteral("zh-Hans"), {}});
    ASSERT_EVENTUALLY_EQ(client.seen.size(), 1);
    client.api.cancel(call);
    EXPECT_FALSE(client.api.running(call));
    client.server.openGate();
    // A later call's answer comes after anything the cancelled one could still have said.
    client.api.listEngines();
    ASSERT_EVENTUALLY_EQ(client.seen.size(), 2);
    EXPECT_EQ(client.seen, (QStringList{QStringLiteral("delta llm 早"), QStringLiteral("engines 2 1")}));
}

TEST(ApiClient, AServerWithoutTheApiAndNoServerAreToldApart)
{
    LoopbackServer old([](Connection& connection) {
        connection.readRequest();
        connection.reply(404, "not found");
    });
    for (const auto& [port, kind] : {std::pair{old.port(), ApiFailure::NoApi},
                                     std::pair{LoopbackServer::refusedPort(), ApiFailure::Unreachable}}) {
        ApiClient api([port = port] { return QStringLiteral("http://127.0.0.1:%1").arg(port); });
        QList<ApiFailure::Kind> failures;
        QObject::connect(&api, &ApiClient::failed, [&](int, const ApiFailure& failure) { failures << failure.kind; });
        api.translate({QStringLiteral("x"), QStringLiteral("en"), QStringLiteral("de"), {QStringLiteral("llm")}});
        ASSERT_EVENTUALLY_EQ(failures.size(), 1);
        EXPECT_EQ(failures[0], kind);
    }
}

TEST(ApiClient, PlainCallsSendTheirVerbAndAnswerWhateverTheStatus)
{
    LoopbackServer server([](Connection& connection) {
        const QByteArray request = connection.readRequest();
        const QByteArray verb = request.split(' ').value(0);
        connection.reply(verb == "DELETE" ? 404 : 200, verb + ' ' + pathOf(request) + ' ' + bodyOf(request));
    });
    ApiClient api([&server] { return QStringLiteral("http://127.0.0.1:%1").arg(server.port()); });
    QStringList replies;
    QObject::connect(&api, &ApiClient::replied, [&](int, int status, const QByteArray& body) {
        replies << QString::number(status) + QLatin1Char(' ') + QString::fromUtf8(body);
    });
    api.get(QStringLiteral("glossary?source=en&target=de"));
    ASSERT_EVENTUALLY_EQ(replies.size(), 1);
    api.post(QStringLiteral("glossary"), R"({"term":"cat"})");
    ASSERT_EVENTUALLY_EQ(replies.size(), 2);
    api.remove(QStringLiteral("glossary/7"));
    ASSERT_EVENTUALLY_EQ(replies.size(), 3);
    EXPECT_EQ(replies, (QStringList{QStringLiteral("200 GET /api/v1/glossary?source=en&target=de "),
                                    QStringLiteral(R"(200 POST /api/v1/glossary {"term":"cat"})"),
                                    QStringLiteral("404 DELETE /api/v1/glossary/7 ")}));
}
