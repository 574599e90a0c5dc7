// The web page translation window, driven as a user drives it, against quillo-server and against
// scripted loopback servers where the exact bytes or a failure matter.
#include "LoopbackServer.h"
#include "TranUrlFixture.h"

#include "core/Languages.h"
#include "http/TWebRequest.h"
#include "ui/ScreenCursor.h"
#include "ui/SkinControls.h"

#include <QRegularExpression>
#include <QTimer>
#include <QUrlQuery>

namespace quillo::test {

namespace {

const QString kObjectReply = QStringLiteral("document.write(\"<span wl_id=\\\"AB12\\\"></span>\");");

// Answers every request of a connection with `status` and `body`.
LoopbackServer::Script answer(int status, const QByteArray& body)
{
    return [status, body](Connection& connection) {
        while (!connection.readRequest().isEmpty())
            connection.reply(status, body);
    };
}

// Holds every request until the test opens the gate, then answers with the identifier.
LoopbackServer::Script stallThenAnswer()
{
    return [](Connection& connection) {
        while (!connection.readRequest().isEmpty()) {
            connection.waitForGate();
            connection.reply(200, kObjectReply.toUtf8());
        }
    };
}

void expectIdle(const PageTranslationWindow& window)
{
    EXPECT_FALSE(window.request->Busy());
    EXPECT_TRUE(window.translateButton->isEnabled());
    EXPECT_EQ(ScreenCursor(), crDefault);
}

// The component may have finished already (a quick server), its completion not yet delivered.
void expectRequesting(const PageTranslationWindow& window)
{
    EXPECT_FALSE(window.translateButton->isEnabled());
    EXPECT_EQ(ScreenCursor(), crAppBusy);
}

} // namespace

TEST_F(TranUrlTest, OpensWithItsControlsInPlace)
{
    const auto window = showWindow();
    EXPECT_EQ(window->windowTitle(), QStringLiteral("网  页  翻  译"));
    EXPECT_EQ(window->windowType(), Qt::Tool);
    EXPECT_FALSE(window->windowFlags().testFlag(Qt::WindowCloseButtonHint));

    const struct
    {
        QWidget* control;
        QPoint position;
        QSize size;  // empty: sized by its text
    } layout[] = {
        {window->sourceLanguageLabel, {17, 36}, {}},   {window->sourceList, {87, 32}, {130, 20}},
        {window->targetLanguageLabel, {249, 36}, {}},   {window->targetList, {319, 32}, {130, 20}},
        {window->addressLabel, {19, 84}, {}},         {window->addressEdit, {19, 108}, {432, 20}},
        {window->translateButton, {85, 160}, {138, 31}}, {window->closeButton, {312, 160}, {138, 31}},
    };
    for (const auto& place : layout) {
        SCOPED_TRACE(place.control->objectName().toStdString());
        EXPECT_EQ(place.control->pos(), place.position);
        if (!place.size.isEmpty()) {
            EXPECT_EQ(place.control->size(), place.size);
        }
        EXPECT_TRUE(place.control->parentWidget()->rect().contains(place.control->geometry()));
    }
    EXPECT_EQ(window->sourceLanguageLabel->text(), QStringLiteral("原文语言："));
    EXPECT_EQ(window->targetLanguageLabel->text(), QStringLiteral("译文语言："));
    EXPECT_EQ(window->addressLabel->text(), QStringLiteral("要翻译网页，请在下方输入网页的地址： "));
    EXPECT_EQ(window->translateButton->text(), QStringLiteral("开 始 翻 译"));
    EXPECT_EQ(window->closeButton->text(), QStringLiteral("关    闭"));

    for (TSkinComboBox* list : {window->sourceList, window->targetList}) {
        QStringList entries;
        for (int i = 0; i < list->count(); ++i)
            entries << list->itemText(i);
        EXPECT_EQ(entries, LanguageNames());
    }
    EXPECT_EQ(window->sourceList->currentText(), QStringLiteral("简体中文"));
    EXPECT_EQ(window->targetList->currentText(), QStringLiteral("英语"));
    EXPECT_EQ(window->addressEdit->text(), QStringLiteral("http://"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return window->addressEdit->hasFocus(); }, kLimitMs));

    const TWebRequest& request = *window->request;
    EXPECT_FALSE(request.UseCache());
    EXPECT_FALSE(request.UseCookies());
    EXPECT_EQ(request.WaitTimeout(), 30000);
    EXPECT_FALSE(request.WaitThread());
    EXPECT_EQ(request.Agent(), TWebRequest().Agent());
    EXPECT_FALSE(request.OnConnLost);
}

TEST_F(TranUrlTest, StartTakesHttpsAndAddsTheMissingSchemeElseSaysWhy)
{
    const QString refusal = QStringLiteral("   网 址 无 效 ，请 输 入 以 http:// 或 https:// 开 头 的 网 页 地 址 。");
    const auto window = showWindow();
    for (const char* refused : {"http://", "HTTP://", "https://", "", "   ", "ftp://example.com/",
                                "see http://example.com", "javascript:alert(1)"}) {
        SCOPED_TRACE(refused);
        const int boxesBefore = m_boxes->count();
        start(*window, QString::fromLatin1(refused));
        ASSERT_TRUE(QTest::qWaitFor([&] { return m_boxes->count() == boxesBefore + 1; }, kLimitMs));
        EXPECT_EQ(m_boxes->texts.last(), refusal);
        EXPECT_EQ(m_boxes->captions.last(), QStringLiteral("错 误"));
        expectIdle(*window);
        EXPECT_TRUE(window->isVisible());
    }
    EXPECT_TRUE(m_openings.opened.isEmpty());

    const struct
    {
        const char* typed;
        const char* sent;
    } accepted[] = {
        {"http://x", "http://x"},
        {"HTTP://EXAMPLE.COM/", "HTTP://EXAMPLE.COM/"},
        {"https://example.com/a?b=1", "https://example.com/a?b=1"},
        {"example.com/index.html", "http://example.com/index.html"},
        {"  www.example.com:8080  ", "http://www.example.com:8080"},
    };
    const int boxesBefore = m_boxes->count();
    for (const auto& c : accepted) {
        SCOPED_TRACE(c.typed);
        m_openings.opened.clear();
        const auto fresh = showWindow();
        start(*fresh, QString::fromLatin1(c.typed));
        expectRequesting(*fresh);
        ASSERT_TRUE(waitClosed(*fresh));
        expectIdle(*fresh);
        EXPECT_EQ(fresh->result(), QDialog::Rejected);
        EXPECT_EQ(QUrlQuery(openedAddress()).queryItemValue(QStringLiteral("wl_url"), QUrl::FullyDecoded),
                  QString::fromLatin1(c.sent));
    }
    EXPECT_EQ(m_boxes->count(), boxesBefore);
}

TEST_F(TranUrlTest, OpensTheTranslatedPageWithTheChosenPair)
{
    const QRegularExpression pagePath(QStringLiteral("^/[A-Za-z0-9]{32}\\\\translation$"));

    auto window = showWindow();
    start(*window, QStringLiteral("http://a.cn/中文 x"));
    ASSERT_TRUE(waitClosed(*window));
    const QUrl page = openedAddress();
    EXPECT_EQ(page.scheme(), QStringLiteral("http"));
    EXPECT_EQ(page.host(), QStringLiteral("127.0.0.1"));
    EXPECT_EQ(page.port(), s_service->port());
    EXPECT_TRUE(pagePath.match(page.path()).hasMatch()) << page.path().toStdString();
    // 中 and 文 are D6D0 and CEC4 in GBK.
    EXPECT_EQ(page.query(QUrl::FullyEncoded),
              QStringLiteral("wl_url=http%3A%2F%2Fa.cn%2F%D6%D0%CE%C4+x&wl_srclang=ZH_CN&wl_trglang=EN"));

    m_openings.opened.clear();
    window = showWindow();
    window->sourceList->setCurrentIndex(4);
    window->targetList->setCurrentIndex(8);
    start(*window, QStringLiteral("http://example.com/"));
    ASSERT_TRUE(waitClosed(*window));
    EXPECT_TRUE(openedAddress().query().endsWith(QStringLiteral("&wl_srclang=FR&wl_trglang=JA")));

    // A pair of one language is sent as it is.
    m_openings.opened.clear();
    window = showWindow();
    window->targetList->setCurrentIndex(0);
    start(*window, QStringLiteral("http://example.com/"));
    ASSERT_TRUE(waitClosed(*window));
    EXPECT_TRUE(openedAddress().query().endsWith(QStringLiteral("&wl_srclang=ZH_CN&wl_trglang=ZH_CN")));
    EXPECT_EQ(m_boxes->count(), 0);
}

TEST_F(TranUrlTest, AsksTheObjectAddressAndCutsTheIdentifier)
{
    LoopbackServer server(answer(200, kObjectReply.toUtf8()));
    const ServiceOverride service(server.url(QString()));
    const auto window = showWindow();
    start(*window, QStringLiteral("http://x"));
    ASSERT_TRUE(waitClosed(*window));

    ASSERT_EQ(server.requestCount(), 1);
    const QByteArray request = server.requests().at(0);
    EXPECT_TRUE(request.startsWith("GET /S3739.5/object? HTTP/1.1\r\n")) << request.toStdString();
    EXPECT_TRUE(headerValue(request, "Cookie").isEmpty());
    EXPECT_TRUE(bodyOf(request).isEmpty());
    // The identifier keeps the backslash of the end marker.
    EXPECT_EQ(openedAddress(), QUrl(server.url(QStringLiteral("/AB12\\translation?wl_url=http%3A%2F%2Fx"
                                                               "&wl_srclang=ZH_CN&wl_trglang=EN"))));
}

TEST_F(TranUrlTest, ClosesWithoutOpeningWhenTheReplyHasNoIdentifier)
{
    for (const char* reply : {"<html>no identifier here</html>", "wl_id=\\\"AB12 without its end", ""}) {
        SCOPED_TRACE(reply);
        LoopbackServer server(answer(200, reply));
        const ServiceOverride service(server.url(QString()));
        const auto window = showWindow();
        start(*window, QStringLiteral("http://example.com/"));
        ASSERT_TRUE(waitClosed(*window));
        expectIdle(*window);
    }
    EXPECT_TRUE(m_openings.opened.isEmpty());
    EXPECT_EQ(m_boxes->count(), 0);
}

TEST_F(TranUrlTest, ReportsTransportFailuresAndStaysOpen)
{
    // Refused and failed requests both leave the window open, its button disabled and the
    // default cursor; Enter in the address box still tries again.
    LoopbackServer failing(answer(500, "<html>server error</html>"));
    const struct
    {
        QString base;
        QString message;
    } cases[] = {
        {failing.url(QString()), QStringLiteral("   计算机连接服务器错误，请稍后再试。")},
        {QStringLiteral("http://127.0.0.1:%1").arg(LoopbackServer::refusedPort()),
         QStringLiteral("   计算机不能连接到服务器，请稍后再试。")},
    };
    for (const auto& failure : cases) {
        SCOPED_TRACE(failure.message.toStdString());
        const ServiceOverride service(failure.base);
        const int boxesBefore = m_boxes->count();
        const auto window = showWindow();
        start(*window, QStringLiteral("http://example.com/"));
        ASSERT_TRUE(QTest::qWaitFor([&] { return m_boxes->count() == boxesBefore + 1; }, kLimitMs));
        ASSERT_TRUE(waitIdle(*window));
        EXPECT_EQ(m_boxes->texts.last(), failure.message);
        EXPECT_EQ(m_boxes->captions.last(), QStringLiteral("错 误"));
        EXPECT_TRUE(window->isVisible());
        EXPECT_FALSE(window->translateButton->isEnabled());
        EXPECT_EQ(ScreenCursor(), crDefault);

        window->addressEdit->setFocus();
        QTest::keyClick(window->addressEdit, Qt::Key_Return);
        EXPECT_EQ(ScreenCursor(), crAppBusy);
        ASSERT_TRUE(QTest::qWaitFor([&] { return m_boxes->count() == boxesBefore + 2; }, kLimitMs));
        EXPECT_EQ(m_boxes->texts.last(), failure.message);
        EXPECT_TRUE(window->isVisible());
    }
    EXPECT_EQ(failing.requestCount(), 2);
    EXPECT_TRUE(m_openings.opened.isEmpty());
}

TEST_F(TranUrlTest, ReportsAWaitTimeOut)
{
    // Only a request that is waited for can run out of time; the window's own does not wait. Every
    // event restarts that wait, so the box is answered by a slow timer instead of the usual one.
    m_boxes.reset();
    QStringList texts;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        if (QWidget* box = QApplication::activeModalWidget()) {
            texts << box->findChild<QLabel*>(QStringLiteral("MessageText"))->text();
            box->close();
        }
    });
    answer.start(1000);

    LoopbackServer server(stallThenAnswer());
    const ServiceOverride service(server.url(QString()));
    const auto window = showWindow();
    window->request->setWaitThread(true);
    window->request->setWaitTimeout(200);
    start(*window, QStringLiteral("http://example.com/"));
    server.openGate();
    EXPECT_EQ(texts, QStringList{QStringLiteral("   计算机连接服务器超时，请稍后再试。")});
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(ScreenCursor(), crDefault);
    EXPECT_TRUE(m_openings.opened.isEmpty());
}

TEST_F(TranUrlTest, KeysStartAndCloseAndASecondStartDoesNothing)
{
    {
        // Escape closes from any control, idle or requesting.
        LoopbackServer server(stallThenAnswer());
        const ServiceOverride service(server.url(QString()));
        for (bool requesting : {false, true}) {
            const auto window = showWindow();
            if (requesting)
                start(*window, QStringLiteral("http://example.com/"));
            for (QWidget* focus : QList<QWidget*>{window->targetList, window->addressEdit}) {
                window->show();
                focus->setFocus();
                QTest::keyClick(focus, Qt::Key_Escape);
                EXPECT_FALSE(window->isVisible());
                EXPECT_EQ(window->result(), QDialog::Rejected);
            }
        }
    }

    LoopbackServer server(stallThenAnswer());
    const ServiceOverride service(server.url(QString()));
    const auto window = showWindow();
    window->addressEdit->setText(QStringLiteral("http://example.com/"));
    window->addressEdit->setFocus();
    QTest::keyClick(window->addressEdit, Qt::Key_Enter);
    expectRequesting(*window);
    EXPECT_TRUE(window->request->Busy());
    EXPECT_EQ(window->addressEdit->text(), QStringLiteral("http://example.com/"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.requestCount() == 1; }, kLimitMs));

    QTest::keyClick(window->addressEdit, Qt::Key_Return);
    window->onTranslateClicked();
    QTest::mouseClick(window->translateButton, Qt::LeftButton);
    server.openGate();
    ASSERT_TRUE(waitClosed(*window));
    EXPECT_EQ(server.requestCount(), 1);
    EXPECT_EQ(m_openings.opened.size(), 1);
}

TEST_F(TranUrlTest, AWindowGoneBeforeTheReplyOpensNothing)
{
    LoopbackServer server(stallThenAnswer());
    const ServiceOverride service(server.url(QString()));
    auto window = showWindow();
    start(*window, QStringLiteral("http://example.com/"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.requestCount() == 1; }, kLimitMs));
    window.reset();
    server.openGate();
    QTest::qWait(50);
    EXPECT_TRUE(m_openings.opened.isEmpty());
    EXPECT_EQ(m_boxes->count(), 0);
}

} // namespace quillo::test
