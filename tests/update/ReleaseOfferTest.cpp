#include "update/ReleaseOffer.h"

#include "update/VersionInfo.h"

#include <gtest/gtest.h>

namespace quillo {
namespace {

TEST(ReleaseOffer, VersionsCompareAsNumbers)
{
    const struct {
        const char* a;
        const char* b;
        std::optional<int> order;
    } cases[] = {
        {"17", "16", 1},  {"9", "16", -1},   {"16", "16", 0},    {"016", "16", 0},
        {"16.0", "16", 0}, {"16.1", "16", 1}, {"15.99", "16", -1}, {"", "16", std::nullopt},
        {"17a", "16", std::nullopt}, {"v17", "16", std::nullopt}, {" 17", "16", std::nullopt},
        {"1..7", "16", std::nullopt}, {"-1", "16", std::nullopt}, {"99999999999", "16", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.a) + " vs " + c.b);
        const std::optional<int> order = CompareVersions(QString::fromLatin1(c.a), QString::fromLatin1(c.b));
        ASSERT_EQ(order.has_value(), c.order.has_value());
        if (order) {
            EXPECT_EQ(*order < 0 ? -1 : *order > 0 ? 1 : 0, *c.order);
        }
    }
}

TEST(ReleaseOffer, TransportsThatVouchForWhatTheyCarry)
{
    const struct {
        const char* address;
        bool web;
        bool trusted;
    } cases[] = {
        {"https://updates.example.com/q.txt", true, true},
        {"HTTPS://updates.example.com/q.txt", true, true},
        {"http://127.0.0.1:8437/q.txt", true, true},
        {"http://127.8.9.10/q.txt", true, true},
        {"http://[::1]:8437/q.txt", true, true},
        {"http://localhost/q.txt", true, true},
        {"http://updates.example.com/q.txt", true, false},
        {"http://192.168.1.2/q.txt", true, false},
        {"http://127.0.0.1.example.com/q.txt", true, false},
        {"http://127.0.0.1:8437/17/新 版/quillo", true, true},
        {"file:///usr/bin/quillo", false, false},
        {"ftp://127.0.0.1/quillo", false, false},
        {"/translation/update/17/quillo", false, false},
        {"https://", false, false},
        {"", false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.address);
        EXPECT_EQ(IsWebAddress(QString::fromUtf8(c.address)), c.web);
        EXPECT_EQ(IsTrustedTransport(QString::fromUtf8(c.address)), c.trusted);
    }
}

TEST(ReleaseOffer, JudgedBeforeAnythingIsDownloaded)
{
    const QString loopback = QStringLiteral("http://127.0.0.1:8437/translation/update/qoversion.txt");
    const QString remoteHttp = QStringLiteral("http://updates.example.com/translation/update/qoversion.txt");
    const QString remoteHttps = QStringLiteral("https://updates.example.com/translation/update/qoversion.txt");
    const QString sha = QString(64, u'a');
    const struct {
        const char* name;
        QString version;
        QString sha256;
        QStringList paths;
        QString versionUrl;
        bool key;
        OfferVerdict verdict;
    } cases[] = {
        {"newer, loopback, hash", "17", sha, {"http://127.0.0.1:8437/17/quillo"}, loopback, false, OfferVerdict::Newer},
        {"newer, https, hash", "17", sha, {"https://updates.example.com/17/quillo"}, remoteHttps, false, OfferVerdict::Newer},
        {"same", "16", {}, {}, remoteHttp, false, OfferVerdict::Current},
        {"older", "15", sha, {"http://127.0.0.1:8437/15/quillo"}, loopback, false, OfferVerdict::Older},
        {"older, signed", "9", sha, {"https://updates.example.com/9/quillo"}, remoteHttps, true, OfferVerdict::Older},
        {"no version", "", sha, {"http://127.0.0.1:8437/x"}, loopback, false, OfferVerdict::VersionUnreadable},
        {"words", "new", sha, {"http://127.0.0.1:8437/x"}, loopback, true, OfferVerdict::VersionUnreadable},
        {"no address", "17", sha, {}, loopback, false, OfferVerdict::NoAddress},
        {"a local file", "17", sha, {"file:///any/local/file"}, loopback, false, OfferVerdict::AddressNotWeb},
        {"one of several", "17", sha, {"http://127.0.0.1:1/a", "file:///b"}, loopback, true, OfferVerdict::AddressNotWeb},
        {"no hash", "17", {}, {"http://127.0.0.1:8437/17/quillo"}, loopback, false, OfferVerdict::HashMissing},
        {"plain version file", "17", sha, {"https://updates.example.com/17/quillo"}, remoteHttp, false, OfferVerdict::InsecureTransport},
        {"plain download", "17", sha, {"http://updates.example.com/17/quillo"}, remoteHttps, false, OfferVerdict::InsecureTransport},
        {"signed, plain, no hash", "17", {}, {"http://updates.example.com/17/quillo"}, remoteHttp, true, OfferVerdict::Newer},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        VersionInfo info;
        info.version = c.version;
        info.sha256 = c.sha256;
        info.downloadPaths = c.paths;
        EXPECT_EQ(JudgeOffer(info, QStringLiteral("16"), c.versionUrl, c.key), c.verdict);
    }
}

} // namespace
} // namespace quillo
