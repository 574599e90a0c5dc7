#include "core/ProfileReader.h"

#include "core/CodePage.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace quillo {
namespace {

TEST(ProfileReader, NamesWithoutCaseValuesTrimmedFirstDuplicateWins)
{
    const ProfileReader ini = ProfileReader::fromBytes(
        "; comment\r\n"
        "orphan=before any section\r\n"
        "[Information]\r\n"
        "  Version =  16  \r\n"
        "version=17\r\n"
        "quoted=\"  spaced  \"\r\n"
        "empty=\r\n"
        "no equals sign\r\n"
        "[ information ]\n"
        "FileSize=99\n"
        "[other]\rkey=a=b\r");
    EXPECT_TRUE(ini.isLoaded());
    EXPECT_EQ(ini.value(QStringLiteral("INFORMATION"), QStringLiteral("VERSION")), QStringLiteral("16"));
    EXPECT_EQ(ini.value(QStringLiteral("information"), QStringLiteral("quoted")), QStringLiteral("  spaced  "));
    EXPECT_EQ(ini.value(QStringLiteral("information"), QStringLiteral("empty"), QStringLiteral("d")), QString());
    // The second section of the same name is shadowed by the first.
    EXPECT_EQ(ini.value(QStringLiteral("information"), QStringLiteral("FileSize"), QStringLiteral("0")), QStringLiteral("0"));
    EXPECT_EQ(ini.value(QStringLiteral("other"), QStringLiteral("key")), QStringLiteral("a=b"));
    EXPECT_EQ(ini.value(QStringLiteral("none"), QStringLiteral("orphan"), QStringLiteral("d")), QStringLiteral("d"));
    EXPECT_EQ(ini.keys(QStringLiteral("information")),
              (QStringList{QStringLiteral("Version"), QStringLiteral("quoted"), QStringLiteral("empty")}));
}

TEST(ProfileReader, SectionLinesInFileOrder)
{
    const ProfileReader ini = ProfileReader::fromBytes(
        "[DownLoadPath]\n"
        "url1 = http://127.0.0.1:1/a.exe\n"
        "url0=http://127.0.0.1:2/b.exe\n"
        "url1=http://127.0.0.1:3/c.exe\n"
        "[next]\nx=1\n");
    EXPECT_EQ(ini.sectionLines(QStringLiteral("downloadpath")),
              (QStringList{QStringLiteral("url1=http://127.0.0.1:1/a.exe"), QStringLiteral("url0=http://127.0.0.1:2/b.exe"),
                           QStringLiteral("url1=http://127.0.0.1:3/c.exe")}));
    EXPECT_TRUE(ini.sectionLines(QStringLiteral("missing")).isEmpty());
}

TEST(ProfileReader, GbkTextAndTheValueLimit)
{
    // 0x81 0x5D is one GBK character whose trail byte is ']'.
    const QByteArray bracketChar("\x81\x5D", 2);
    const QByteArray longValue = QByteArray(2046, 'x') + ToAnsi(QStringLiteral("中文"));
    const ProfileReader ini = ProfileReader::fromBytes(
        "[" + ToAnsi(QStringLiteral("信息")) + bracketChar + "]\r\n"
        "RegNewInformat=" + ToAnsi(QStringLiteral("新版本已发布")) + "\r\n"
        "long=" + longValue + "\r\n"
        "exact=" + QByteArray(2045, 'y') + ToAnsi(QStringLiteral("中")) + "z\r\n");
    const QString section = QStringLiteral("信息") + FromAnsi(bracketChar);
    EXPECT_EQ(ini.value(section, QStringLiteral("regnewinformat")), QStringLiteral("新版本已发布"));
    // 2046 bytes and half of 中 fit in 2047 bytes: the half character is dropped.
    EXPECT_EQ(ini.value(section, QStringLiteral("long")), QString(2046, u'x'));
    EXPECT_EQ(ini.value(section, QStringLiteral("exact")), QString(2045, u'y') + QStringLiteral("中"));
}

TEST(ProfileReader, FromFileAndMissingFile)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("version.txt"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[information]\r\nversion=16\r\n");
    file.close();
    const ProfileReader ini = ProfileReader::fromFile(path);
    EXPECT_TRUE(ini.isLoaded());
    EXPECT_EQ(ini.value(QStringLiteral("information"), QStringLiteral("version")), QStringLiteral("16"));

    const ProfileReader missing = ProfileReader::fromFile(dir.filePath(QStringLiteral("absent.txt")));
    EXPECT_FALSE(missing.isLoaded());
    EXPECT_EQ(missing.value(QStringLiteral("information"), QStringLiteral("version"), QStringLiteral("d")), QStringLiteral("d"));
    EXPECT_FALSE(ProfileReader().isLoaded());
}

} // namespace
} // namespace quillo
