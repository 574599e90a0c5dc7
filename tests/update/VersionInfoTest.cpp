#include "update/VersionInfo.h"

#include <QRandomGenerator>
#include <QSet>

#include <gtest/gtest.h>

namespace quillo {
namespace {

TEST(VersionFileText, EveryLineEndsInCrLf)
{
    EXPECT_EQ(VersionFileText("a\rb\nc\r\nd"), QByteArray("a\r\nb\r\nc\r\nd\r\n"));
    EXPECT_EQ(VersionFileText("[information]\r\nversion=17\r\n"), QByteArray("[information]\r\nversion=17\r\n"));
    // Empty lines are lines too; a CR LF pair is one break, LF CR two.
    EXPECT_EQ(VersionFileText("\n\n"), QByteArray("\r\n\r\n"));
    EXPECT_EQ(VersionFileText("x\n\ry"), QByteArray("x\r\n\r\ny\r\n"));
    EXPECT_EQ(VersionFileText(""), QByteArray());
}

TEST(VersionInfo, ReadsWhatTheServerAnnounces)
{
    const VersionInfo info = VersionInfo::fromBytes(
        "[Information]\r\n version = 17 \r\nfilesize=12345\r\nSHA256=abcd\r\nSignature=c2ln\r\n"
        "RegNewInformat=notice\r\n\r\n[downloadpath]\r\nurl2=http://127.0.0.1:1/b?x=1&y=2\r\n"
        "url1=\r\nurl3 = http://127.0.0.1:1/c \r\n");
    EXPECT_EQ(info.version, QStringLiteral("17"));
    EXPECT_EQ(info.fileSize, 12345);
    EXPECT_EQ(info.sha256, QStringLiteral("abcd"));
    EXPECT_EQ(info.signature, QStringLiteral("c2ln"));
    // In file order, each the text after the key's "=", the empty one left out.
    EXPECT_EQ(info.downloadPaths,
              (QStringList{QStringLiteral("http://127.0.0.1:1/b?x=1&y=2"), QStringLiteral("http://127.0.0.1:1/c")}));
}

TEST(VersionInfo, DamagedFilesGiveDefaults)
{
    const QList<QByteArray> damaged{
        QByteArray(),
        QByteArray("version=17\r\nFileSize=10\r\n"), // no section
        QByteArray("[information]\r\nFileSize=12ab\r\n"),
        QByteArray("[information]\r\nFileSize=-\r\n[DownLoadPath]\r\n"),
        QByteArray(200000, '[') + "\r\n" + QByteArray(100000, '='),
        QByteArray("\xff\xfe\x00[\x81]\x80=\xfe", 10),
    };
    for (const QByteArray& text : damaged) {
        const VersionInfo info = VersionInfo::fromBytes(text);
        EXPECT_TRUE(info.version.isEmpty());
        EXPECT_EQ(info.fileSize, 0);
        EXPECT_TRUE(info.downloadPaths.isEmpty());
    }
    EXPECT_EQ(VersionInfo::fromFile(QStringLiteral("/nonexistent/version.txt")).fileSize, 0);
}

TEST(ChooseDownloadAddress, OneIsTakenSeveralAreDrawnFromAll)
{
    QRandomGenerator random(42);
    EXPECT_TRUE(ChooseDownloadAddress({}, random).isEmpty());
    const QString only = QStringLiteral("http://127.0.0.1:1/only");
    EXPECT_EQ(ChooseDownloadAddress({only}, random), only);

    const QStringList several{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")};
    QSet<QString> drawn;
    for (int i = 0; i < 300; ++i) {
        const QString address = ChooseDownloadAddress(several, random);
        ASSERT_TRUE(several.contains(address)) << address.toStdString();
        drawn.insert(address);
    }
    EXPECT_EQ(drawn.size(), several.size()) << "the first and the last entry can be drawn too";
}

} // namespace
} // namespace quillo
