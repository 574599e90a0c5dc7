#include "ChildProcess.h"
#include "SkinTestSupport.h"

#include "skins/BuiltinSkins.h"
#include "skins/CompressedStoredSkin.h"
#include "skins/container/PackedSkinFile.h"
#include "skins/container/SkinSource.h"
#include "skins/container/ZlibCodec.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>

namespace quillo {
namespace {

using test::MakeBmp;

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// A skin source folder with LF line ends, no inactive picture and two active pictures.
class SkinSourceFolder : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        main = MakeBmp(16, 12, Qt::darkYellow);
        mask = MakeBmp(16, 12, Qt::black, QImage::Format_Mono);
        first = MakeBmp(5, 5, Qt::red);
        second = MakeBmp(6, 2, Qt::blue);
        writeFile(path("main.bmp"), main);
        writeFile(path("mask.bmp"), mask);
        writeFile(path("a.bmp"), first);
        writeFile(path("b.bmp"), second);
        writeFile(path("skin.ini"), definition);
    }
    QString path(const QString& name) const { return dir.filePath(name); }

    QTemporaryDir dir;
    QByteArray main, mask, first, second;
    const QByteArray definition = "[VERSION]\nskinname=t\n[PICTURES]\npicture=main.bmp\ninactivepicture=\n"
                                  "mask=mask.bmp\nactivepicturescount=2\n0=a.bmp\n1=b.bmp\n";
};

TEST_F(SkinSourceFolder, GathersTheNamedFilesInOrder)
{
    const SkinSourceResult r = ReadSkinSource(path("skin.ini"));
    ASSERT_TRUE(r.ok) << qPrintable(r.error);
    EXPECT_EQ(r.container.version, 3);
    EXPECT_EQ(r.container.picture, main);
    EXPECT_FALSE(r.container.inactivePicture.has_value());
    EXPECT_EQ(r.container.mask, mask);
    EXPECT_EQ(r.container.activePictures, (QList<QByteArray>{first, second}));
    QByteArray crlf = definition;
    crlf.replace("\n", "\r\n");
    EXPECT_EQ(r.container.definition, crlf);

    // Line ends that are already CR LF stay as they are.
    writeFile(path("skin.ini"), crlf);
    EXPECT_EQ(ReadSkinSource(path("skin.ini")).container.definition, crlf);
}

TEST_F(SkinSourceFolder, NamesTheFileThatIsWrong)
{
    QFile::remove(path("b.bmp"));
    SkinSourceResult r = ReadSkinSource(path("skin.ini"));
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.error.contains(QStringLiteral("b.bmp")));

    // A header whose size field is not the file's length.
    QByteArray lying = second;
    qToLittleEndian<quint32>(quint32(second.size() + 1), lying.data() + 2);
    writeFile(path("b.bmp"), lying);
    r = ReadSkinSource(path("skin.ini"));
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.error.contains(QStringLiteral("b.bmp")));

    // The right length, but no picture the decoder can read.
    QByteArray garbage = second;
    garbage.replace(14, 4, QByteArray(4, '\x7f'));
    writeFile(path("b.bmp"), garbage);
    EXPECT_FALSE(ReadSkinSource(path("skin.ini")).ok);

    EXPECT_FALSE(ReadSkinSource(path("missing.ini")).ok);
}

TEST_F(SkinSourceFolder, StoredSkinPacksTheSourceAndKeepsTheFileName)
{
    TCompressedStoredSkin skin;
    QString error;
    ASSERT_TRUE(skin.loadFromSkinSource(path("skin.ini"), &error)) << qPrintable(error);
    EXPECT_EQ(skin.FileName(), QStringLiteral("skin.ini"));
    EXPECT_TRUE(skin.CompressedData().startsWith("\x78\xDA"));
    const InflateResult inflated = InflateCapped(skin.CompressedData(), 1 << 20);
    ASSERT_EQ(inflated.status, InflateStatus::Ok);
    EXPECT_EQ(inflated.data, WriteSkinContainer(ReadSkinSource(path("skin.ini")).container));

    // A failed build leaves the stored bytes alone.
    const QByteArray before = skin.CompressedData();
    QFile::remove(path("a.bmp"));
    EXPECT_FALSE(skin.loadFromSkinSource(path("skin.ini"), &error));
    EXPECT_TRUE(error.contains(QStringLiteral("a.bmp")));
    EXPECT_EQ(skin.CompressedData(), before);
}

TEST(PackedSkinFile, ReadsOnlyWhatItAnnounces)
{
    const QByteArray compressed = DeflateBest("container");
    const QByteArray packed = WritePackedSkinFile(compressed);
    EXPECT_EQ(ReadPackedSkinFile(packed), compressed);
    EXPECT_EQ(ReadPackedSkinFile(packed + "trailing"), compressed);

    auto withInt32 = [&](qsizetype offset, qint32 value) {
        QByteArray bytes = packed;
        qToLittleEndian(value, bytes.data() + offset);
        return bytes;
    };
    EXPECT_EQ(ReadPackedSkinFile(withInt32(0, 2)), compressed);
    EXPECT_FALSE(ReadPackedSkinFile(withInt32(0, 4)).has_value());
    EXPECT_FALSE(ReadPackedSkinFile(withInt32(4, qint32(compressed.size() + 1))).has_value());
    EXPECT_FALSE(ReadPackedSkinFile(withInt32(4, -1)).has_value());
    EXPECT_FALSE(ReadPackedSkinFile(packed.left(7)).has_value());
}

TEST(Skinpack, PackedFileOfASourceMatchesTheEmbeddedSkin)
{
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("skin2.pack"));
    constexpr int kToolLimitMs = 60000;
    const test::RunResult packed = test::RunToEnd(
        QStringLiteral(SKINPACK_PATH), {QStringLiteral("--packed"), test::SkinSourceDir(2) + QStringLiteral("/skin.ini"), out},
        kToolLimitMs);
    ASSERT_TRUE(packed.status) << packed.startError.toStdString();
    ASSERT_EQ(packed.exitCode(), 0) << packed.error.constData();

    TCompressedStoredSkin skin;
    QString error;
    ASSERT_TRUE(skin.loadFromPackedFile(out, &error)) << qPrintable(error);
    EXPECT_EQ(skin.CompressedData(), BuiltinSkinData(2));

    // A source that cannot be packed makes the tool fail with a message and no output.
    const QString failed = dir.filePath(QStringLiteral("none.pack"));
    const test::RunResult refused =
        test::RunToEnd(QStringLiteral(SKINPACK_PATH), {dir.filePath(QStringLiteral("nothing.ini")), failed}, kToolLimitMs);
    ASSERT_TRUE(refused.status) << refused.startError.toStdString();
    EXPECT_NE(refused.exitCode(), 0);
    EXPECT_FALSE(refused.error.isEmpty());
    EXPECT_FALSE(QFile::exists(failed));
    EXPECT_FALSE(skin.loadFromPackedFile(failed, &error));
}

} // namespace
} // namespace quillo
