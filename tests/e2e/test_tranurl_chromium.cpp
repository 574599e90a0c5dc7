// A real browser at the end of the web page translation: a small page served on loopback goes
// through the window's flow against quillo-server, and headless Chromium loads the address the
// window hands to the desktop. The page must arrive translated, its markup intact.
#include "ChildProcess.h"
#include "LoopbackServer.h"
#include "TranUrlFixture.h"

#include "ui/SkinControls.h"

#include <QStandardPaths>
#include <QTemporaryDir>

namespace quillo::test {

namespace {

constexpr int kBrowserLimitMs = 90000;

const QByteArray kPage = R"(<!DOCTYPE html>
<html><head><meta charset="utf-8"><title>Weather</title></head>
<body>
<h1 id="headline">The weather is nice today</h1>
<p class="note">Take a <b>hat</b> with you.</p>
<ul id="list"><li>Sun</li><li>Wind</li></ul>
</body></html>
)";

QString findChromium()
{
    for (const char* name : {"chromium", "chromium-browser"}) {
        const QString path = QStandardPaths::findExecutable(QString::fromLatin1(name));
        if (!path.isEmpty())
            return path;
    }
    return {};
}

// The flags that keep Chromium on this machine's closed network and off its own services.
QStringList headlessArguments(const QString& profile)
{
    return {QStringLiteral("--headless"),
            QStringLiteral("--no-sandbox"),
            QStringLiteral("--disable-gpu"),
            QStringLiteral("--disable-quic"),
            QStringLiteral("--no-first-run"),
            QStringLiteral("--disable-background-networking"),
            QStringLiteral("--disable-component-update"),
            QStringLiteral("--disable-sync"),
            QStringLiteral("--user-data-dir=") + profile,
            QStringLiteral("--dump-dom")};
}

} // namespace

TEST_F(TranUrlTest, TranslatedPageArrivesInHeadlessChromium)
{
    const QString chromium = findChromium();
    if (chromium.isEmpty())
        GTEST_SKIP() << "chromium is not installed: the check of a translated page in a real browser is skipped";

    LoopbackServer site([](Connection& connection) {
        while (!connection.readRequest().isEmpty())
            connection.reply(200, kPage, "Content-Type: text/html; charset=utf-8\r\n");
    });
    auto window = showWindow();
    window->sourceList->setCurrentIndex(2);  // 英语
    window->targetList->setCurrentIndex(4);   // 法语
    start(*window, site.url(QStringLiteral("/weather.html")));
    ASSERT_TRUE(waitClosed(*window));
    const QUrl page = openedAddress();
    ASSERT_TRUE(page.isValid());

    QTemporaryDir profile;
    ASSERT_TRUE(profile.isValid());
    const RunResult browser =
        RunToEnd(chromium, headlessArguments(profile.path()) << page.toString(QUrl::FullyEncoded), kBrowserLimitMs);
    ASSERT_TRUE(browser.startError.isEmpty()) << browser.startError.toStdString();
    ASSERT_TRUE(browser.status) << "chromium did not finish within " << kBrowserLimitMs << " ms";
    const QString dom = QString::fromUtf8(browser.output);
    SCOPED_TRACE(dom.toStdString());
    EXPECT_EQ(browser.exitCode(), 0) << browser.error.toStdString();
    EXPECT_TRUE(dom.contains(QStringLiteral("<h1 id=\"headline\">[FR] The weather is nice today</h1>")));
    EXPECT_TRUE(dom.contains(QStringLiteral("<p class=\"note\">[FR] Take a <b>[FR] hat</b>")));
    EXPECT_TRUE(dom.contains(QStringLiteral("<ul id=\"list\"><li>[FR] Sun</li><li>[FR] Wind</li></ul>")));
    EXPECT_FALSE(dom.contains(QStringLiteral(">The weather is nice today<")));
    EXPECT_GE(site.requestCount(), 1);
}

} // namespace quillo::test
