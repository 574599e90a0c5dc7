#include "../http/LoopbackServer.h"
#include "ScopedConnectedState.h"
#include "SendWindowFixture.h"
#include "UrlCatcher.h"
#include "core/CodePage.h"
#include "core/ProductIdentity.h"
#include "sendinfo/FeedbackScript.h"
#include "translate/Encoding.h"
#include "ui/SkinForm.h"
#include "ui/TSkinMessage.h"

#include <QAbstractButton>
#include <QTimer>
#include <QUrl>

using namespace quillo;
using quillo::test::Connection;
using quillo::test::LoopbackServer;
using quillo::test::SendWindowTest;

namespace {

const QString kFailed = QStringLiteral("   提 交 信 息 失 败 ，请 稍 后 再 试 。");
const QString kServerError = QStringLiteral("   计 算 机 连 接 服 务 器 错 误 ，请 稍 后 再 试 。");

QByteArray acceptingPage()
{
    return "<html><body>\r\n" + ToAnsi(QStringLiteral("留言成功")) + "\r\n</body></html>\r\n";
}

// Answers each request with the next of `replies` (raw bytes after the request has been read).
LoopbackServer::Script answering(QList<QByteArray> replies)
{
    auto next = std::make_shared<std::atomic<int>>(0);
    return [replies, next](Connection& connection) {
        if (connection.readRequest().isEmpty())
            return;
        connection.send(replies.value((*next)++));
    };
}

QByteArray okReply(const QByteArray& body)
{
    return "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=GBK\r\nContent-Length: "
        + QByteArray::number(body.size()) + "\r\n\r\n" + body;
}

} // namespace

TEST_F(SendWindowTest, WindowOpensWithItsHintsTabOrderAndMessageLimit)
{
    auto window = openWindow(QStringLiteral("http://127.0.0.1:1"));
    EXPECT_EQ(window->windowTitle(), QStringLiteral(" 提 交 信 息 "));
    EXPECT_EQ(ClientSize(window.get()), QSize(501, 268));
    EXPECT_TRUE(window->windowFlags().testFlag(Qt::Tool));
    EXPECT_FALSE(window->windowFlags().testFlag(Qt::WindowCloseButtonHint));

    EXPECT_EQ(window->sendButton->toolTip(), QStringLiteral("将信息发送给我们,我们将予以回复"));
    EXPECT_EQ(window->contactEdit->toolTip(), QStringLiteral("请填写E-Mail或其它联系方式，以方便我们与您联系"));
    EXPECT_TRUE(window->subjectEdit->toolTip().isEmpty());

    // Tab walks the fields and then the buttons; Tab in the message leaves it.
    EXPECT_EQ(QApplication::focusWidget(), window->subjectEdit);
    QStringList visited;
    for (int i = 0; i < 6; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited.append(QApplication::focusWidget()->objectName());
    }
    EXPECT_EQ(visited, QStringList({QStringLiteral("UserEMail"), QStringLiteral("InfoText"), QStringLiteral("SkinButton1"),
                                    QStringLiteral("SkinButton2"), QStringLiteral("SkinButton3"),
                                    QStringLiteral("InfoTitle")}));
    EXPECT_TRUE(window->messageText->toPlainText().isEmpty());

    // The message takes 1000 characters and no more.
    window->messageText->setFocus();
    window->messageText->insertPlainText(QString(999, u'字'));
    QTest::keyClicks(window->messageText, QStringLiteral("ab"));
    EXPECT_EQ(window->messageText->toPlainText(), QString(999, u'字') + u'a');
}

TEST_F(SendWindowTest, EmptySubjectOrMessageIsRefusedWithoutPosting)
{
    LoopbackServer server(answering({}));
    auto window = openWindow(server.url(QString()));
    fill(*window, QString(), QStringLiteral("x"), QStringLiteral("message"));
    window->contactEdit->setFocus();
    window->sendButton->click();
    ASSERT_TRUE(waitForBoxes(1));
    EXPECT_EQ(answer.captions.value(0), MessageCaption(mtError));
    EXPECT_EQ(answer.texts.value(0), QStringLiteral("   标 题 不 能 为 空 ，请 输 入 标 题 ！"));
    EXPECT_EQ(window->focusWidget(), window->subjectEdit);

    // A subject of blanks is a subject.
    fill(*window, QStringLiteral(" "), QStringLiteral("x"), QString());
    window->sendButton->click();
    ASSERT_TRUE(waitForBoxes(2));
    EXPECT_EQ(answer.texts.value(1), QStringLiteral("   请 输 入 您 要 提 交 的 内 容！"));
    EXPECT_EQ(window->focusWidget(), window->messageText);

    EXPECT_EQ(server.requestCount(), 0);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(ScreenCursor(), crDefault);
}

TEST_F(SendWindowTest, PostsTheFormByteForByteAndClosesWhenTheScriptAccepts)
{
    LoopbackServer server(answering({okReply(acceptingPage())}));
    auto window = openWindow(server.url(QString()));
    fill(*window, QStringLiteral("a b"), QStringLiteral("x y"), QStringLiteral("1 2\n第二行"));

    int cursorInPause = -1;
    QTimer::singleShot(200, [&] { cursorInPause = ScreenCursor(); });
    window->sendButton->click();
    ASSERT_TRUE(waitForBoxes(1));
    EXPECT_EQ(cursorInPause, crAppBusy);

    ASSERT_EQ(server.requestCount(), 1);
    const QByteArray request = server.requests().constFirst();
    EXPECT_TRUE(request.startsWith("POST /translation/feedback/addinfo.asp HTTP/1.1\r\n")) << request.constData();
    EXPECT_EQ(test::headerValue(request, "Content-Type"), "application/x-www-form-urlencoded");
    EXPECT_EQ(test::headerValue(request, "Cookie"), "");
    const QByteArray sender = ToAnsi(QStringLiteral("Quillo_注册用户_16"));
    EXPECT_EQ(test::bodyOf(request),
              "user=m4rvo&name=" + sender + "&email=xy&title=a+b&text=1%26nbsp%3B2%3Cbr%3E%0A"
                  + FormEncode(ToAnsi(QStringLiteral("第二行")))
                  + "&image=on&home=HOME42&time=2006%2D06%2D12%26nbsp%3B10%3A30");

    EXPECT_EQ(answer.captions.value(0), MessageCaption(mtInformation));
    EXPECT_EQ(answer.texts.value(0), QStringLiteral("   提 交 信 息 成 功 ，我 们 会 尽 快 回 复 您 。"));
    EXPECT_EQ(cursorsWhileBoxesShown, QList<int>({crAppBusy}));
    EXPECT_EQ(ScreenCursor(), crDefault);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(window->result(), QDialog::Accepted);
}

TEST_F(SendWindowTest, EveryFailedPostIsReportedAndKeepsTheInput)
{
    const QByteArray page = acceptingPage();
    LoopbackServer server(answering({
        okReply("<p>" + ToAnsi(QStringLiteral("留言成功")) + "</p>"),
        "HTTP/1.1 500 Internal Server Error\r\nContent-Length: " + QByteArray::number(page.size()) + "\r\n\r\n" + page,
        // Cut short: the promised length never arrives.
        "HTTP/1.1 200 OK\r\nContent-Length: 500\r\n\r\n" + page,
    }));
    auto window = openWindow(server.url(QString()));
    fill(*window, QStringLiteral("主题"), QStringLiteral("me@example.org"), QStringLiteral("内容"));

    for (int sent = 1; sent <= 3; ++sent) {
        window->sendButton->click();
        ASSERT_TRUE(waitForBoxes(sent)) << sent;
    }
    qputenv("QUILLO_SERVICE", QStringLiteral("http://127.0.0.1:%1").arg(LoopbackServer::refusedPort()).toUtf8());
    window->sendButton->click();
    ASSERT_TRUE(waitForBoxes(4));

    EXPECT_EQ(server.requestCount(), 3);
    EXPECT_EQ(answer.texts, QStringList({kFailed, kServerError, kServerError,
                                         QStringLiteral("   计 算 机 不 能 连 接 到 服 务 器 ，请 稍 后 再 试。")}));
    EXPECT_EQ(answer.captions, QStringList(4, MessageCaption(mtError)));
    EXPECT_EQ(cursorsWhileBoxesShown, QList<int>(4, crAppBusy)) << "the cursor goes back only after each box";
    EXPECT_EQ(ScreenCursor(), crDefault);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->subjectEdit->text(), QStringLiteral("主题"));
    EXPECT_EQ(window->contactEdit->text(), QStringLiteral("me@example.org"));
    EXPECT_EQ(window->messageText->toPlainText(), QStringLiteral("内容"));
}

TEST_F(SendWindowTest, OffLineSendPostsNothingAndKeepsTheInputForLater)
{
    LoopbackServer server(answering({okReply(acceptingPage())}));
    auto window = openWindow(server.url(QString()));
    fill(*window, QStringLiteral("主题"), QStringLiteral("me@example.org"), QStringLiteral("第一行\n第二行"));
    QStringList buttons;
    whileBoxShown = [&] {
        for (const QAbstractButton* button : QApplication::activeModalWidget()->findChildren<QAbstractButton*>())
            buttons << button->objectName();
    };
    {
        const test::ScopedConnectedState offLine(false);
        window->sendButton->click();
        ASSERT_TRUE(waitForBoxes(1));
    }
    EXPECT_EQ(answer.captions, QStringList{MessageCaption(mtError)});
    EXPECT_EQ(answer.texts, QStringList{QStringLiteral("   计 算 机 没 有 连 接 到 网 络 !")});
    EXPECT_EQ(buttons, QStringList{QStringLiteral("mbOK")});
    EXPECT_EQ(cursorsWhileBoxesShown, QList<int>{crDefault}) << "the check comes before the busy cursor";
    EXPECT_EQ(ScreenCursor(), crDefault);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->subjectEdit->text(), QStringLiteral("主题"));
    EXPECT_EQ(window->contactEdit->text(), QStringLiteral("me@example.org"));
    EXPECT_EQ(window->messageText->toPlainText(), QStringLiteral("第一行\n第二行"));

    // On line again, the kept input goes out; a post from the off-line attempt would come first.
    whileBoxShown = nullptr;
    {
        const test::ScopedConnectedState onLine(true);
        window->sendButton->click();
        ASSERT_TRUE(waitForBoxes(2));
    }
    EXPECT_EQ(answer.captions.value(1), MessageCaption(mtInformation));
    ASSERT_EQ(server.requestCount(), 1);
    EXPECT_TRUE(test::bodyOf(server.requests().constFirst()).contains("&title=" + FormEncode(ToAnsi(QStringLiteral("主题")))));
    EXPECT_FALSE(window->isVisible());
}

TEST_F(SendWindowTest, ASecondSendDuringThePausePostsOnce)
{
    LoopbackServer server(answering({okReply(acceptingPage()), okReply(acceptingPage())}));
    auto window = openWindow(server.url(QString()));
    fill(*window, QStringLiteral("t"), QString(), QStringLiteral("m"));
    QTimer::singleShot(300, window->sendButton, &QPushButton::click);
    window->sendButton->click();
    ASSERT_TRUE(waitForBoxes(1));
    // Nothing else arrives late.
    QTest::qWait(300);
    EXPECT_EQ(server.requestCount(), 1);
    EXPECT_EQ(answer.count(), 1);
    EXPECT_EQ(ScreenCursor(), crDefault);
}

TEST_F(SendWindowTest, ClosingDuringThePauseSendsNothing)
{
    LoopbackServer server(answering({okReply(acceptingPage())}));
    auto window = openWindow(server.url(QString()));
    fill(*window, QStringLiteral("t"), QString(), QStringLiteral("m"));
    QTimer::singleShot(300, window->closeButton, &QPushButton::click);
    window->sendButton->click();
    QTest::qWait(200);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(window->result(), QDialog::Rejected);
    EXPECT_EQ(server.requestCount(), 0);
    EXPECT_EQ(answer.count(), 0);
    EXPECT_EQ(ScreenCursor(), crDefault);
}

TEST_F(SendWindowTest, CtrlOrShiftEnterInTheMessageSendsAndStillBreaksTheLine)
{
    LoopbackServer server(answering({}));
    auto window = openWindow(server.url(QString()));
    // With no subject, a send shows at once that it ran.
    fill(*window, QString(), QString(), QStringLiteral("m"));
    window->messageText->setFocus();
    window->messageText->moveCursor(QTextCursor::End);
    QStringList messageWhileBoxShown;
    whileBoxShown = [&] { messageWhileBoxShown.append(window->messageText->toPlainText()); };

    QTest::keyClick(window->messageText, Qt::Key_Return, Qt::ControlModifier);
    ASSERT_TRUE(waitForBoxes(1));
    QTest::keyClick(window->messageText, Qt::Key_Enter, Qt::ShiftModifier | Qt::KeypadModifier);
    ASSERT_TRUE(waitForBoxes(2));
    QTest::keyClick(window->messageText, Qt::Key_Return);
    QTest::qWait(50);

    EXPECT_EQ(answer.count(), 2) << "a plain Enter does not send";
    EXPECT_EQ(answer.texts.value(1), QStringLiteral("   标 题 不 能 为 空 ，请 输 入 标 题 ！"));
    EXPECT_EQ(messageWhileBoxShown, QStringList({QStringLiteral("m"), QStringLiteral("m\n")}))
        << "the line breaks only after the send";
    EXPECT_EQ(window->messageText->toPlainText(), QStringLiteral("m\n\n\n"));
}

TEST_F(SendWindowTest, HomePageButtonOpensTheProductSite)
{
    auto window = openWindow(QStringLiteral("http://127.0.0.1:1"));
    test::UrlCatcher catcher;
    window->homePageButton->click();
    EXPECT_EQ(catcher.opened, QList<QUrl>({QUrl(ProductWebSite())}));
    EXPECT_TRUE(window->isVisible());
}
