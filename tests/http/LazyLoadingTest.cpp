// The libraries opened at run time (libcurl, and the loader they share with the update check)
// and the interface check that replaced QtNetwork's, compared with QtNetwork itself.
#include "core/RuntimeLibrary.h"
#include "http/CurlApi.h"
#include "http/NetworkState.h"

#include <QHostAddress>
#include <QNetworkInterface>

#include <gtest/gtest.h>

using namespace quillo;

namespace {

// What the interface check answered while it was built on QtNetwork.
bool qtSaysThisMachine(const QString& host)
{
    if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0)
        return true;
    const QHostAddress address(host);
    if (address.isNull())
        return false;
    return address.isLoopback() || QNetworkInterface::allAddresses().contains(address);
}

bool qtSeesActiveInterface()
{
    const auto interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface& i : interfaces) {
        const auto flags = i.flags();
        if (flags.testFlag(QNetworkInterface::IsUp) && flags.testFlag(QNetworkInterface::IsRunning)
            && !flags.testFlag(QNetworkInterface::IsLoopBack))
            return true;
    }
    return false;
}

} // namespace

TEST(RuntimeLibrary, MissingLibraryOrFunctionIsReportedNotFatal)
{
    RuntimeLibrary missing("libquillo-does-not-exist.so.1");
    EXPECT_FALSE(missing.IsLoaded());
    void (*function)() = nullptr;
    EXPECT_FALSE(missing.Resolve(function, "anything"));
    EXPECT_TRUE(missing.ErrorString().contains(QLatin1String("libquillo-does-not-exist.so.1")));

    // The C library is always there and has none of curl's functions.
    QString error;
    EXPECT_FALSE(LoadCurlApi("libc.so.6", error).has_value());
    EXPECT_TRUE(error.contains(QLatin1String("curl_global_init"))) << error.toStdString();
    EXPECT_FALSE(LoadCurlApi("libquillo-does-not-exist.so.1", error).has_value());
    EXPECT_TRUE(error.contains(QLatin1String("cannot be loaded"))) << error.toStdString();
}

TEST(RuntimeLibrary, TheProcessLibcurlIsCompleteAndWorks)
{
    const CurlApi* curl = Curl();
    ASSERT_NE(curl, nullptr) << CurlUnavailableReason().toStdString();
    EXPECT_TRUE(CurlUnavailableReason().isEmpty());
    EXPECT_EQ(Curl(), curl); // loaded once
    // Each pointer is libcurl's own function: a handle made, used and freed through them.
    const CurlUrlHandle url(curl->url());
    ASSERT_TRUE(url);
    ASSERT_EQ(curl->url_set(url.get(), CURLUPART_URL, "http://127.0.0.1:8437/a/../b?x", 0), CURLUE_OK);
    EXPECT_EQ(CurlUrlPart(*curl, url.get(), CURLUPART_PATH), "/b");
    EXPECT_EQ(CurlUrlPart(*curl, url.get(), CURLUPART_PORT), "8437");
    EXPECT_EQ(CurlUrlPart(*curl, url.get(), CURLUPART_FRAGMENT), QByteArray());
    const CurlHeaderList headers(curl->slist_append(nullptr, "Accept: */*"));
    ASSERT_TRUE(headers);
    EXPECT_STREQ(headers->data, "Accept: */*");
}

TEST(InterfaceCheck, AnswersAsQtNetworkDid)
{
    QStringList hosts = {
        QStringLiteral("localhost"), QStringLiteral("LocalHost"), QStringLiteral("127.0.0.1"),
        QStringLiteral("127.8.9.10"), QStringLiteral("::1"), QStringLiteral("::ffff:127.0.0.1"),
        QStringLiteral("0.0.0.0"), QStringLiteral("::"), QStringLiteral("203.0.113.9"),
        QStringLiteral("2001:db8::1"), QStringLiteral("example.test"), QStringLiteral(""),
        QStringLiteral("127.0.0.1.5"), QStringLiteral("fe80::1%lo"),
    };
    // Every address this machine has, as Qt writes them (link-local ones with their zone), and
    // the IPv4 ones once more in IPv6 clothing.
    const auto own = QNetworkInterface::allAddresses();
    for (const QHostAddress& a : own) {
        hosts << a.toString();
        if (a.protocol() == QAbstractSocket::IPv4Protocol)
            hosts << QStringLiteral("::ffff:") + a.toString();
    }
    for (const QString& host : std::as_const(hosts))
        EXPECT_EQ(IsThisMachine(host), qtSaysThisMachine(host)) << host.toStdString();

    EXPECT_EQ(HasActiveNetworkInterface(), qtSeesActiveInterface());
    EXPECT_TRUE(InternetGetConnectedState(QStringLiteral("http://127.0.0.1:8437/")));
    EXPECT_TRUE(InternetGetConnectedState(QStringLiteral("http://[::1]/")));
    EXPECT_EQ(InternetGetConnectedState(QStringLiteral("http://203.0.113.9/")), qtSeesActiveInterface());
}
