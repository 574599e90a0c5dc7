// The pair the user picks, told to a translation server on this machine so that its engine
// starts before the first text.
#include "../http/LoopbackServer.h"
#include "core/ServiceAddresses.h"
#include "session/PairPreparer.h"
#include "session/TranslationChoices.h"

#include <QTest>
#include <gtest/gtest.h>

using namespace quillo;
using quillo::test::Connection;
using quillo::test::LoopbackServer;

namespace {

void answerEveryRequest(Connection& connection)
{
    for (QByteArray request = connection.readRequest(); !request.isEmpty(); request = connection.readRequest())
        connection.reply(200, "{\"engine\":\"apertium\"}");
}

} // namespace

TEST(PairPreparer, EachNewPairIsToldToALocalServerAndNothingElse)
{
    LoopbackServer server(answerEveryRequest);
    TranslationChoices choices;
    int asked = 0;
    PairPreparer preparer(&choices, [&] {
        ++asked;
        return server.url(QString());
    });
    choices.setEngine(EngineId::TextService);
    choices.setSource(EngineId::TextService, English);
    EXPECT_EQ(asked, 0) << "no target yet: no pair to tell";
    choices.setTarget(Spanish);
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.requests().size() == 1; }));
    const QByteArray request = server.requests().first();
    EXPECT_TRUE(request.startsWith("POST /api/v1/prepare HTTP/1.1\r\n")) << request.toStdString();
    EXPECT_TRUE(request.endsWith("\r\n\r\nsource=en&target=es")) << request.toStdString();

    choices.setTopic(3); // the same pair
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(IsLoopbackService(QStringLiteral("http://localhost:8437")));
    EXPECT_FALSE(IsLoopbackService(QStringLiteral("https://translate.example.org")));
}

// The program starts its own server while the window opens; the pair chosen at start is told
// once that server answers, not before.
TEST(PairPreparer, ThePairChosenAtStartIsToldOnceTheServerAnswers)
{
    const QByteArray service = qgetenv("QUILLO_SERVICE");
    qunsetenv("QUILLO_SERVICE");
    std::promise<QString> started;
    SetRunServiceBase(started.get_future().share());
    LoopbackServer server(answerEveryRequest);
    TranslationChoices choices;
    choices.setEngine(EngineId::TextService);
    choices.setSource(EngineId::TextService, English);
    choices.setTarget(Spanish);
    PairPreparer preparer(&choices, [&] { return server.url(QString()); });

    preparer.prepareCurrentPairWhenServerAnswers();
    QTest::qWait(100);
    EXPECT_EQ(server.requestCount(), 0) << "told before the server was there";
    started.set_value(server.url(QString()));
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.requests().size() == 1; }));
    EXPECT_TRUE(server.requests().first().endsWith("\r\n\r\nsource=en&target=es")) << server.requests().first().toStdString();

    SetRunServiceBase({});
    if (!service.isEmpty())
        qputenv("QUILLO_SERVICE", service);
}
