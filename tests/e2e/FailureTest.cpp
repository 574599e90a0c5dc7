// Requests that fail, and translate commands that arrive while a request runs.
#include "EngineFixture.h"

#include "core/ServiceAddresses.h"

#include <QGuiApplication>

using namespace quillo;
using namespace quillo::test;

namespace {

const QString kHelpText = QStringLiteral("访问服务器错误！请先连接到互联网，然后再翻译！\n\n"
                                         "如果安装了防火墙请先关闭或设置允许访问网络，然后重试 。\n\n");

enum class Fault { HttpError, CutShort, Stall };

// The faults a service can show on one request. A stalled request waits at the gate until the
// service goes away.
void answerWith(Fault fault, Connection& c)
{
    switch (fault) {
    case Fault::HttpError:
        c.reply(500, "<html>Internal Server Error</html>");
        break;
    case Fault::CutShort:
        c.send("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n<html><div id=\"result\">");
        c.close();
        break;
    case Fault::Stall:
        c.waitForGate();
        break;
    }
}

QByteArray sessionLoader()
{
    return "<a href=\"" + ServiceRootAddress() + "0123456789abcdefghijklmnopqrstuvw/object?x\">";
}

} // namespace

TEST_F(EngineTest, AnUnreachableServiceIsReportedThenLeavesTheHelpTextWithEitherEngine)
{
    const QString refused = QStringLiteral("http://127.0.0.1:%1").arg(LoopbackServer::refusedPort());
    auto form = showFormFor(refused);
    QStringList shownWhileBoxUp;
    BoxAnswer answer([&] { shownWhileBoxUp.append(form->resultText->toPlainText()); });
    for (int engine : {BabelFish, WorldLingo}) {
        form->resultText->setPlainText(QStringLiteral("上次的译文"));
        translate(*form, engine, Simplified, English, QStringLiteral("你好"));
        EXPECT_EQ(form->resultText->toPlainText(), kHelpText) << engine;
        EXPECT_TRUE(idle(*form)) << engine;
    }
    EXPECT_EQ(answer.texts, QStringList(2, kHostUnreachable));
    EXPECT_EQ(shownWhileBoxUp, QStringList(2, QString())) << "the help text comes after the box is closed";
}

TEST_F(EngineTest, ErrorsLostConnectionsAndStallsEndTheTranslationWithTheConnectionMessage)
{
    // The caret blinks and the busy cursor animates throughout: neither keeps a stall alive.
    for (Fault fault : {Fault::HttpError, Fault::CutShort, Fault::Stall}) {
        // On the first request of the text service, and on WorldLingo's second stage.
        for (int engine : {BabelFish, WorldLingo}) {
            SCOPED_TRACE(testing::Message() << "fault " << int(fault) << ", engine " << engine);
            ScriptedService service([fault](Connection& c, const QByteArray& request) {
                if (request.startsWith("GET "))
                    c.reply(200, sessionLoader());
                else
                    answerWith(fault, c);
            });
            auto form = showFormFor(service.base());
            for (TWebRequest* request : {form->translationRequest, form->stageTwoRequest})
                request->setWaitTimeout(300);
            QList<bool> busyWhileBoxUp;
            BoxAnswer answer([&] { busyWhileBoxUp.append(!form->translateButton->isEnabled()); });

            translate(*form, engine, Simplified, English, QStringLiteral("你好"));
            EXPECT_EQ(answer.texts, QStringList{kConnectionFailed});
            EXPECT_EQ(busyWhileBoxUp, QList<bool>{true}) << "the busy state ends after the box";
            EXPECT_TRUE(form->resultText->toPlainText().isEmpty());
            EXPECT_TRUE(idle(*form));
            EXPECT_EQ(service.requestCount(), engine == WorldLingo ? 2 : 1);
        }
    }
}

TEST_F(EngineTest, ATranslateKeyDuringARequestStartsTheProgressAgainAndSendsNothingMore)
{
    for (int engine : {BabelFish, WorldLingo}) {
        SCOPED_TRACE(engine);
        ScriptedService service([](Connection& c, const QByteArray& request) {
            c.waitForGate();
            c.reply(200, request.startsWith("GET ") ? QByteArray("<html>no session</html>")
                                                    : babelFishPage("done") + "<textarea name=\"wl_result\">done</textarea>");
        });
        auto form = showFormFor(service.base());
        bool keyWhileBusy = false;
        QTimer pressKey;
        QObject::connect(&pressKey, &QTimer::timeout, form.get(), [&] {
            if (service.requestCount() == 0)
                return;
            pressKey.stop();
            form->resultText->setPlainText(QStringLiteral("stale"));
            keyWhileBusy = !form->translateButton->isEnabled();
            QTest::keyClick(form->sourceText, Qt::Key_Return, Qt::ControlModifier);
            EXPECT_EQ(form->resultText->toPlainText(), QStringLiteral("翻译中…")) << "the steps up to the busy state ran again";
            EXPECT_EQ(service.requestCount(), 1);
            service.openGate();
        });
        pressKey.start(10);

        translate(*form, engine, Simplified, English, QStringLiteral("你好"));
        EXPECT_TRUE(keyWhileBusy);
        EXPECT_EQ(form->resultText->toPlainText(), QStringLiteral("done"));
        EXPECT_EQ(service.requestCount(), engine == WorldLingo ? 2 : 1);
        EXPECT_TRUE(idle(*form));
    }
}

TEST_F(EngineTest, TheEngineSelectedWhenTheFirstReplyArrivesIsTheOneThatReadsIt)
{
    // A text-service page read as a loader page names no session: WorldLingo goes on to its
    // translation page.
    ScriptedService service([](Connection& c, const QByteArray& request) {
        if (requestLine(request).startsWith("POST /translate_txt"))
            c.waitForGate();
        c.reply(200, babelFishPage("text service") + "<textarea name=\"wl_result\">translation page</textarea>");
    });
    auto form = showFormFor(service.base());
    QTimer switchEngine;
    QObject::connect(&switchEngine, &QTimer::timeout, form.get(), [&] {
        if (service.requestCount() == 0)
            return;
        switchEngine.stop();
        form->engineList->setCurrentIndex(WorldLingo);
        service.openGate();
    });
    switchEngine.start(10);

    translate(*form, BabelFish, Simplified, English, QStringLiteral("你好"));
    const QList<QByteArray> requests = service.requests();
    ASSERT_EQ(requests.size(), 2);
    EXPECT_EQ(requestLine(requests.at(1)), "POST /wl/translate/cn/translation HTTP/1.1");
    EXPECT_EQ(form->resultText->toPlainText(), QStringLiteral("translation page"));
    EXPECT_TRUE(idle(*form));
}
