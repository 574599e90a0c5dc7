#include "DictionaryFiles.h"

#include "ChildProcess.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <zlib.h>

#include <algorithm>

namespace quillo::dictformats::test {

namespace {

void writeFile(const QString& path, const QByteArray& data)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(data);
}

void appendBigEndian(QByteArray& out, quint64 value, int bytes)
{
    for (int i = bytes - 1; i >= 0; --i)
        out.append(char((value >> (8 * i)) & 0xff));
}

void writeGzip(const QString& path, const QByteArray& data)
{
    gzFile gz = gzopen(QFile::encodeName(path).constData(), "wb");
    gzwrite(gz, data.constData(), unsigned(data.size()));
    gzclose(gz);
}

} // namespace

bool dictzip(const QString& path)
{
    const QString program = QStandardPaths::findExecutable(QStringLiteral("dictzip"));
    return !program.isEmpty() && quillo::test::RunToEnd(program, {path}, 60000).succeeded();
}

QByteArray dictdNumber(quint64 value)
{
    static const char digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    QByteArray text;
    do {
        text.prepend(digits[value % 64]);
        value /= 64;
    } while (value);
    return text;
}

void writeDictd(const QString& base, const QString& title, const std::vector<Article>& articles, bool compress)
{
    QByteArray dict, index;
    auto add = [&](const QString& headword, const QByteArray& data) {
        index += headword.toUtf8() + '\t' + dictdNumber(quint64(dict.size())) + '\t'
                 + dictdNumber(quint64(data.size())) + '\n';
        dict += data;
    };
    add(QStringLiteral("00-database-short"), "00-database-short\n     " + title.toUtf8() + "\n");
    for (const Article& article : articles)
        add(article.headword, article.data);
    writeFile(base + QStringLiteral(".index"), index);
    writeFile(base + QStringLiteral(".dict"), dict);
    if (compress)
        dictzip(base + QStringLiteral(".dict"));
}

void writeStarDict(const QString& base, const QString& title, std::vector<Article> articles,
                   const StarDictLayout& layout)
{
    std::stable_sort(articles.begin(), articles.end(),
                     [](const Article& a, const Article& b) { return a.headword.toUtf8() < b.headword.toUtf8(); });
    QByteArray dict, idx, syn;
    for (const Article& article : articles) {
        idx += article.headword.toUtf8() + '\0';
        appendBigEndian(idx, quint64(dict.size()), layout.offsets64 ? 8 : 4);
        appendBigEndian(idx, quint64(article.data.size()), 4);
        dict += article.data;
    }
    for (const auto& [word, entry] : layout.synonyms) {
        syn += word.toUtf8() + '\0';
        appendBigEndian(syn, quint64(entry), 4);
    }
    QByteArray ifo = "StarDict's dict ifo file\nversion=3.0.0\nbookname=" + title.toUtf8()
                     + "\nwordcount=" + QByteArray::number(articles.size())
                     + "\nidxfilesize=" + QByteArray::number(idx.size()) + "\n";
    if (layout.offsets64)
        ifo += "idxoffsetbits=64\n";
    if (!layout.sameTypeSequence.isEmpty())
        ifo += "sametypesequence=" + layout.sameTypeSequence.toUtf8() + "\n";
    if (!layout.synonyms.empty())
        ifo += "synwordcount=" + QByteArray::number(qsizetype(layout.synonyms.size())) + "\n";
    writeFile(base + QStringLiteral(".ifo"), ifo);
    if (layout.gzipIdx)
        writeGzip(base + QStringLiteral(".idx.gz"), idx);
    else
        writeFile(base + QStringLiteral(".idx"), idx);
    if (!layout.synonyms.empty())
        writeFile(base + QStringLiteral(".syn"), syn);
    writeFile(base + QStringLiteral(".dict"), dict);
    if (layout.compressDict)
        dictzip(base + QStringLiteral(".dict"));
}

} // namespace quillo::dictformats::test
