// The feedback send at the level of its flow: what the session reports for each way a message can
// end, and what reaches the feedback script.
#include "../http/LoopbackServer.h"
#include "ScopedConnectedState.h"
#include "core/CodePage.h"
#include "http/TWebRequest.h"
#include "sendinfo/FeedbackSession.h"

#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <optional>

using namespace quillo;
using quillo::test::Connection;
using quillo::test::LoopbackServer;
using Failure = FeedbackSession::Failure;

namespace {

QByteArray reply(const char* status, const QByteArray& body, const QByteArray& length)
{
    return QByteArray("HTTP/1.1 ") + status + "\r\nContent-Length: " + length + "\r\n\r\n" + body;
}

QByteArray reply(const char* status, const QByteArray& body)
{
    return reply(status, body, QByteArray::number(body.size()));
}

const QByteArray kStored = ToAnsi(QStringLiteral("留言成功"));

} // namespace

TEST(FeedbackSessionTest, ReportsHowEachMessageEnded)
{
    const FeedbackMessage complete{QStringLiteral("主题"), QStringLiteral("me@example.org"), QStringLiteral("内容")};
    const struct
    {
        const char* name;
        FeedbackMessage message;
        bool onLine;
        QByteArray answer;  // empty: nothing listens
        std::optional<Failure> failure;  // none: sent
        int posts;  // requests that reach the script
    } cases[] = {
        {"stored", complete, true, reply("200 OK", "<p>\r\n" + kStored + "\r\n</p>"), {}, 1},
        {"not stored", complete, true, reply("200 OK", "<p>" + kStored + "</p>"), Failure::NotStored, 1},
        {"service error", complete, true, reply("500 Internal Server Error", kStored), Failure::ServerError, 1},
        {"cut short", complete, true, reply("200 OK", kStored, "500"), Failure::ServerError, 1},
        {"unreachable", complete, true, QByteArray(), Failure::Unreachable, 0},
        {"no subject", {QString(), QStringLiteral("x"), QStringLiteral("m")}, true, QByteArray(), Failure::EmptyTitle, 0},
        {"no text", {QStringLiteral(" "), QStringLiteral("x"), QString()}, true, QByteArray(), Failure::EmptyText, 0},
        {"off line", complete, false, QByteArray(), Failure::OffLine, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        LoopbackServer server([&](Connection& connection) {
            if (!connection.readRequest().isEmpty())
                connection.send(c.answer);
        });
        const QString base = c.failure == Failure::Unreachable
            ? QStringLiteral("http://127.0.0.1:%1").arg(LoopbackServer::refusedPort())
            : server.url(QString());
        qputenv("QUILLO_SERVICE", base.toUtf8());
        const test::ScopedConnectedState connected(c.onLine);

        FeedbackSession session;
        session.PauseBeforePost = 0;
        QSignalSpy posting(&session, &FeedbackSession::posting);
        QSignalSpy sent(&session, &FeedbackSession::sent);
        QSignalSpy failed(&session, &FeedbackSession::failed);
        session.send(c.message);
        ASSERT_TRUE(QTest::qWaitFor([&] { return sent.count() + failed.count() > 0; }, 15000));
        QTest::qWait(20);

        EXPECT_EQ(server.requestCount(), c.posts);
        const bool refused = c.failure == Failure::EmptyTitle || c.failure == Failure::EmptyText
            || c.failure == Failure::OffLine;
        EXPECT_EQ(posting.count(), refused ? 0 : 1);
        if (c.failure) {
            ASSERT_EQ(failed.count(), 1);
            EXPECT_EQ(failed.at(0).at(0).value<Failure>(), *c.failure);
            EXPECT_EQ(sent.count(), 0);
        } else {
            ASSERT_EQ(sent.count(), 1);
            EXPECT_EQ(sent.at(0).at(0).toString(), QStringLiteral("   提 交 信 息 成 功 ，我 们 会 尽 快 回 复 您 。"));
            EXPECT_EQ(failed.count(), 0);
        }
    }
    qunsetenv("QUILLO_SERVICE");
}

TEST(FeedbackSessionTest, ASendWhilePostingOrACancelledPauseSendsNothingMore)
{
    LoopbackServer server([](Connection& connection) {
        if (connection.readRequest().isEmpty())
            return;
        connection.waitForGate();
        connection.send(reply("200 OK", kStored));
    });
    qputenv("QUILLO_SERVICE", server.url(QString()).toUtf8());
    const test::ScopedConnectedState onLine(true);
    const FeedbackMessage message{QStringLiteral("t"), QString(), QStringLiteral("m")};

    FeedbackSession session;
    session.PauseBeforePost = 200;
    QSignalSpy posting(&session, &FeedbackSession::posting);
    QSignalSpy sent(&session, &FeedbackSession::sent);
    EXPECT_FALSE(session.cancel()) << "nothing waits";
    // Cancelled during its pause: never posted.
    QTimer::singleShot(50, &session, [&] { EXPECT_TRUE(session.cancel()); });
    session.send(message);
    EXPECT_FALSE(session.request()->Busy());

    session.send(message);
    ASSERT_TRUE(session.request()->Busy());
    session.send(message);  // ignored: the post runs
    server.openGate();
    ASSERT_TRUE(QTest::qWaitFor([&] { return sent.count() == 1; }, 15000));
    QTest::qWait(50);
    EXPECT_EQ(posting.count(), 2);
    EXPECT_EQ(server.requestCount(), 1);
    qunsetenv("QUILLO_SERVICE");
}
