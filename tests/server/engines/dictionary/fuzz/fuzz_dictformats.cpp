// What dictionary files users drop in may hold: StarDict articles under each field layout, dictd
// articles, markup, and dictzip headers and chunks (the input written to a file and read back by
// ranges). None may crash, read outside its input or loop.

#include "server/engines/dictionary/ArticleFile.h"
#include "server/engines/dictionary/DictEntry.h"
#include "server/engines/dictionary/Folding.h"
#include "server/engines/dictionary/StarDictLoader.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstdint>

using namespace quillo::dictformats;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString text = QString::fromUtf8(input);
    for (const char* types : {"", "m", "tm", "hW", "x"})
        renderText(readStarDictArticle(input, QStringLiteral("word"), QString::fromLatin1(types)));
    renderText(parseDictdArticle(text, text.left(8)));
    textOfMarkup(text);
    for (const char* language : {"en", "de", "fr", "es", "it"})
        inflectionBases(foldKey(text), QString::fromLatin1(language));

    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("input.dict.dz"));
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        file.write(input);
        file.close();
        if (auto articles = ArticleFile::open(path)) {
            const quint64 total = articles.value()->size();
            for (quint64 offset : {quint64(0), total / 3, total > 0 ? total - 1 : 0})
                articles.value()->read(offset, quint32(std::min<quint64>(total - offset, 70000)));
        }
    }
    return 0;
}
