// Every home-page address the program shows or opens (访问主页, 浏览…网站, the start-up line, the
// help text, the download-error hint) is the service's home page.
#include "QuilloServerProcess.h"

#include "core/ProductIdentity.h"
#include "http/TWebRequest.h"
#include "session/InformationText.h"

#include <QIODevice>

#include <gtest/gtest.h>

using namespace quillo;

namespace {

// The status and body of a GET, as the program's own HTTP component sees them.
std::pair<int, QString> fetch(const QString& address)
{
    TWebRequest request;
    request.setWaitThread(true);
    request.setURL(address);
    std::pair<int, QString> result{0, {}};
    request.OnDone = [&](QObject*, const QString&, qint64, QIODevice* stream) {
        result = {200, QString::fromUtf8(stream->readAll())};
    };
    request.OnHTTPError = [&](QObject*, qint32 code, QIODevice*) { result.first = code; };
    request.Read();
    return result;
}

} // namespace

TEST(HomePageLinks, LeadToTheServicesHomePage)
{
    test::FreshQuilloServer server;
    ASSERT_TRUE(server.listening()) << server.failure().toStdString();
    const QByteArray previous = qgetenv("QUILLO_SERVICE");
    qputenv("QUILLO_SERVICE", server.base().toUtf8());

    const QString startUp = DefaultInformationText();
    const QString help = HelpLines().constLast();
    const struct {
        const char* where;
        QString address;
    } links[] = {
        {"the buttons, menus and the download-error hint", ProductWebSite()},
        {"the start-up line", startUp.section(QStringLiteral("网址 "), 1)},
        {"the help text", help.section(QStringLiteral("网址："), 1).section(QStringLiteral("  "), 0, 0)},
    };
    for (const auto& link : links) {
        SCOPED_TRACE(link.where);
        EXPECT_EQ(link.address, server.base() + u'/');
        const auto [status, page] = fetch(link.address);
        EXPECT_EQ(status, 200);
        EXPECT_TRUE(page.contains(QStringLiteral("Quillo翻译软件是一款桌面翻译工具"))) << page.toStdString();
        EXPECT_TRUE(page.contains(server.base() + QStringLiteral("/translation/feedback/addinfo.asp")));
    }
    qputenv("QUILLO_SERVICE", previous);
}
