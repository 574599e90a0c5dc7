#pragma once
// Writes small dictionaries in dictd and StarDict formats for the tests, the way their own tools
// lay them out; dictzip compresses where a test asks for it.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <utility>
#include <vector>

namespace quillo::dictformats::test {

struct Article {
    QString headword;
    QByteArray data; // as stored in the data file
};

// Runs the installed dictzip on `path` (leaving path + ".dz"); false when it failed.
bool dictzip(const QString& path);

// dictd's base-64 number.
QByteArray dictdNumber(quint64 value);

// "<base>.index" and "<base>.dict" (or ".dict.dz"), with the "00-database-short" title.
void writeDictd(const QString& base, const QString& title, const std::vector<Article>& articles, bool compress);

struct StarDictLayout {
    StarDictLayout() = default;
    StarDictLayout(QString types, bool gzipIdx = false, bool compressDict = false, bool offsets64 = false)
        : sameTypeSequence(std::move(types)), gzipIdx(gzipIdx), compressDict(compressDict), offsets64(offsets64)
    {
    }

    QString sameTypeSequence; // empty: each field carries its type
    bool gzipIdx = false;
    bool compressDict = false;
    bool offsets64 = false;
    std::vector<std::pair<QString, int>> synonyms; // word, index into the articles
};

// "<base>.ifo", ".idx"/".idx.gz", ".dict"/".dict.dz" and, with synonyms, ".syn". Articles are
// sorted as StarDict wants them.
void writeStarDict(const QString& base, const QString& title, std::vector<Article> articles,
                   const StarDictLayout& layout);

} // namespace quillo::dictformats::test
