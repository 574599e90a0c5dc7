// The data files: dictzip read chunk by chunk, plain files, and what is refused.
#include "DictionaryFiles.h"

#include "server/engines/dictionary/ArticleFile.h"
#include "server/engines/dictionary/DictZipWriter.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <zlib.h>

using namespace quillo::dictformats;

namespace {

// Several dictzip chunks (58315 bytes each) of text that differs everywhere.
QByteArray sampleText()
{
    QByteArray text;
    for (int i = 0; text.size() < 400000; ++i)
        text += "line " + QByteArray::number(i) + " ärger " + QByteArray::number(i * 7919 % 10007) + "\n";
    return text;
}

void write(const QString& path, const QByteArray& data)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(data);
}

} // namespace

TEST(ArticleFile, ReadsRangesOfDictzipAndPlainFilesAlike)
{
    QTemporaryDir dir;
    const QByteArray text = sampleText();
    const QString plain = dir.filePath(QStringLiteral("plain.dict"));
    const QString zipped = dir.filePath(QStringLiteral("zipped.dict"));
    write(plain, text);
    write(zipped, text);
    ASSERT_TRUE(test::dictzip(zipped));

    for (const QString& path : {plain, zipped + QStringLiteral(".dz")}) {
        auto file = ArticleFile::open(path);
        ASSERT_TRUE(file) << file.error().message.toStdString();
        EXPECT_EQ(file.value()->size(), quint64(text.size()));
        const std::pair<quint64, quint32> ranges[] = {
            {0, 10}, {58310, 20}, {58315, 1}, {100000, 130000}, {quint64(text.size()) - 5, 5}, {1234, 0},
        };
        for (const auto& [offset, size] : ranges)
            EXPECT_EQ(file.value()->read(offset, size), text.mid(qsizetype(offset), qsizetype(size)))
                << path.toStdString() << " at " << offset;
        EXPECT_FALSE(file.value()->read(quint64(text.size()) - 5, 6)) << "past the end";
    }
}

TEST(ArticleFile, RefusesWhatCannotBeReadByChunk)
{
    QTemporaryDir dir;
    const QString gzipped = dir.filePath(QStringLiteral("plain.gz"));
    gzFile gz = gzopen(QFile::encodeName(gzipped).constData(), "wb");
    gzwrite(gz, "some text", 9);
    gzclose(gz);

    const QString cut = dir.filePath(QStringLiteral("cut.dict"));
    write(cut, sampleText());
    ASSERT_TRUE(test::dictzip(cut));
    QFile dz(cut + QStringLiteral(".dz"));
    ASSERT_TRUE(dz.open(QIODevice::ReadWrite));
    dz.resize(dz.size() / 2);
    dz.close();

    const std::pair<QString, DictErrorKind> cases[] = {
        {gzipped, DictErrorKind::Malformed},
        {cut + QStringLiteral(".dz"), DictErrorKind::Malformed},
        {dir.filePath(QStringLiteral("absent.dict")), DictErrorKind::Missing},
    };
    for (const auto& [path, kind] : cases) {
        auto file = ArticleFile::open(path);
        ASSERT_FALSE(file) << path.toStdString();
        EXPECT_EQ(file.error().kind, kind) << file.error().message.toStdString();
    }
}

TEST(DictZipWriter, CopiesInShortChunksThatGzipAndTheReaderReadBack)
{
    QTemporaryDir dir;
    const QByteArray text = sampleText();
    const QString original = dir.filePath(QStringLiteral("original.dict"));
    write(original, text);
    ASSERT_TRUE(test::dictzip(original));
    auto source = ArticleFile::open(original + QStringLiteral(".dz"));
    ASSERT_TRUE(source);
    const QString copy = dir.filePath(QStringLiteral("copy.dict.dz"));
    ASSERT_FALSE(writeDictZip(*source.value(), copy));

    gzFile gz = gzopen(QFile::encodeName(copy).constData(), "rb");
    QByteArray whole(text.size() + 1, '\0');
    const int got = gzread(gz, whole.data(), unsigned(whole.size()));
    EXPECT_EQ(gzclose(gz), Z_OK) << "the trailer's checksum and length hold";
    EXPECT_EQ(whole.left(got), text);

    auto reread = ArticleFile::open(copy);
    ASSERT_TRUE(reread);
    EXPECT_EQ(reread.value()->chunkLength(), kLookupChunkLength);
    for (const auto& [offset, size] : {std::pair<quint64, quint32>{8190, 5}, {123456, 40000}, {0, quint32(text.size())}})
        EXPECT_EQ(reread.value()->read(offset, size), text.mid(qsizetype(offset), qsizetype(size)));
}
