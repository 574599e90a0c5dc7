#include "server/engines/dictionary/StarDictLoader.h"

#include "server/engines/dictionary/DictionaryLanguages.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>

#include <zlib.h>

namespace quillo::dictformats {

namespace {

constexpr int kMaxHeadwordBytes = 256; // StarDict's own limit, with room to spare

QString basePath(const QString& ifoPath)
{
    return ifoPath.chopped(int(qstrlen(".ifo")));
}

QStringList indexCandidates(const QString& ifo)
{
    return {basePath(ifo) + QStringLiteral(".idx"), basePath(ifo) + QStringLiteral(".idx.gz")};
}

QStringList dataCandidates(const QString& ifo)
{
    return {basePath(ifo) + QStringLiteral(".dict.dz"), basePath(ifo) + QStringLiteral(".dict")};
}

QString synonymsPath(const QString& ifo)
{
    return basePath(ifo) + QStringLiteral(".syn");
}

QString stampOf(const QString& ifo)
{
    return filesStamp(QStringList{ifo} + indexCandidates(ifo) + dataCandidates(ifo) + QStringList{synonymsPath(ifo)});
}

quint32 bigEndian32(const char* p)
{
    const auto* u = reinterpret_cast<const uchar*>(p);
    return (quint32(u[0]) << 24) | (quint32(u[1]) << 16) | (quint32(u[2]) << 8) | quint32(u[3]);
}

DictResult<QHash<QString, QString>> readIfo(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return dictError(DictErrorKind::Unreadable, QStringLiteral("%1 cannot be read: %2").arg(path, file.errorString()));
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    if (lines.isEmpty() || lines.first().trimmed() != QLatin1String("StarDict's dict ifo file"))
        return dictError(DictErrorKind::Malformed, QStringLiteral("%1 is not a StarDict .ifo file").arg(path));
    QHash<QString, QString> values;
    for (const QString& line : lines.mid(1)) {
        const auto equals = line.indexOf(QLatin1Char('='));
        if (equals > 0)
            values.insert(line.left(equals).trimmed(), line.mid(equals + 1).trimmed());
    }
    return values;
}

DictResult<QByteArray> readWholeFile(const QString& path)
{
    if (path.endsWith(QLatin1String(".gz"))) {
        gzFile gz = gzopen(QFile::encodeName(path).constData(), "rb");
        if (!gz)
            return dictError(DictErrorKind::Unreadable, QStringLiteral("%1 cannot be read").arg(path));
        QByteArray data;
        char buffer[65536];
        int got;
        while ((got = gzread(gz, buffer, sizeof buffer)) > 0)
            data.append(buffer, got);
        const bool failed = got < 0;
        gzclose(gz);
        if (failed)
            return dictError(DictErrorKind::Malformed, QStringLiteral("%1 is not a complete gzip file").arg(path));
        return data;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return dictError(DictErrorKind::Unreadable, QStringLiteral("%1 cannot be read: %2").arg(path, file.errorString()));
    return file.readAll();
}

struct Article {
    quint64 offset;
    quint32 size;
};

// Reads the headwords of the .idx into the writer, keeping the articles for the synonyms.
std::optional<DictError> readIdx(const QString& path, int offsetBits, HeadwordIndex::Writer& writer,
                                 std::vector<Article>& articles)
{
    auto data = readWholeFile(path);
    if (!data)
        return data.error();
    const QByteArray& idx = data.value();
    const int offsetBytes = offsetBits == 64 ? 8 : 4;
    for (qsizetype at = 0; at < idx.size();) {
        const qsizetype end = idx.indexOf('\0', at);
        if (end < 0 || end - at > kMaxHeadwordBytes || end + 1 + offsetBytes + 4 > idx.size())
            return dictError(DictErrorKind::Malformed,
                             QStringLiteral("%1 is cut short or damaged at byte %2").arg(path).arg(at));
        const char* numbers = idx.constData() + end + 1;
        const quint64 offset = offsetBytes == 8 ? (quint64(bigEndian32(numbers)) << 32) | bigEndian32(numbers + 4)
                                                : bigEndian32(numbers);
        const quint32 size = bigEndian32(numbers + offsetBytes);
        writer.add(QString::fromUtf8(idx.constData() + at, end - at), offset, size);
        articles.push_back({offset, size});
        at = end + 1 + offsetBytes + 4;
    }
    return std::nullopt;
}

std::optional<DictError> readSyn(const QString& path, const std::vector<Article>& articles,
                                 HeadwordIndex::Writer& writer)
{
    auto data = readWholeFile(path);
    if (!data)
        return data.error();
    const QByteArray& syn = data.value();
    for (qsizetype at = 0; at < syn.size();) {
        const qsizetype end = syn.indexOf('\0', at);
        if (end < 0 || end - at > kMaxHeadwordBytes || end + 5 > syn.size())
            return dictError(DictErrorKind::Malformed,
                             QStringLiteral("%1 is cut short or damaged at byte %2").arg(path).arg(at));
        const quint32 entry = bigEndian32(syn.constData() + end + 1);
        if (entry >= articles.size())
            return dictError(DictErrorKind::Malformed,
                             QStringLiteral("%1 points past the end of the headwords").arg(path));
        writer.add(QString::fromUtf8(syn.constData() + at, end - at), articles[entry].offset, articles[entry].size);
        at = end + 5;
    }
    return std::nullopt;
}

// The languages from the nearest folder named like "en-zh", then from the file's own name.
std::optional<std::pair<QString, QString>> languagesOf(const QString& ifo)
{
    QDir dir = QFileInfo(ifo).absoluteDir();
    for (int level = 0; level < 2; ++level) {
        if (auto languages = languagesFromName(dir.dirName()))
            return languages;
        if (!dir.cdUp())
            break;
    }
    return languagesFromName(QFileInfo(ifo).completeBaseName());
}

DictResult<std::unique_ptr<Dictionary>> load(const QString& path, const QString& indexFolder)
{
    auto ifo = readIfo(path);
    if (!ifo)
        return ifo.error();
    const QString idxPath = firstExisting(indexCandidates(path));
    const QString dataPath = firstExisting(dataCandidates(path));
    if (idxPath.isEmpty() || dataPath.isEmpty())
        return dictError(DictErrorKind::Missing,
                         QStringLiteral("%1 lacks its .idx or .dict file beside it").arg(path));
    auto articles = ArticleFile::open(dataPath);
    if (!articles)
        return articles.error();
    const int offsetBits = ifo.value().value(QStringLiteral("idxoffsetbits")).toInt();
    const QString stamp = stampOf(path);
    const QString indexPath = indexPathFor(indexFolder, QStringLiteral("stardict"), path);
    auto index = HeadwordIndex::openOrBuild(indexPath, stamp, [&](HeadwordIndex::Writer& writer) {
        std::vector<Article> headwords;
        if (auto failure = readIdx(idxPath, offsetBits, writer, headwords))
            return failure;
        if (QFileInfo::exists(synonymsPath(path)))
            if (auto failure = readSyn(synonymsPath(path), headwords, writer))
                return failure;
        return copyArticlesForLookups(*articles.value(), indexPath, writer);
    });
    if (!index)
        return index.error();
    articles.value() = articlesForLookups(std::move(articles.value()), *index.value(), indexPath);

    DictionaryInfo info{QStringLiteral("stardict"), path, ifo.value().value(QStringLiteral("bookname")), {}, {}, stamp};
    if (info.title.isEmpty())
        info.title = QFileInfo(path).completeBaseName();
    if (const auto languages = languagesOf(path))
        std::tie(info.sourceLanguage, info.targetLanguage) = *languages;
    return std::make_unique<Dictionary>(std::move(info), std::move(index.value()), std::move(articles.value()),
                                        &readStarDictArticle, ifo.value().value(QStringLiteral("sametypesequence")));
}

// The transcription an XDXF or HTML article carries in <tr> (XDXF) tags, if any.
QString transcriptionIn(const QString& markup)
{
    static const QRegularExpression tr(QStringLiteral("<tr>(.*?)</tr>"));
    const auto match = tr.match(markup);
    return match.hasMatch() ? match.captured(1).trimmed() : QString();
}

void addField(DictEntry& entry, char type, const QByteArray& field)
{
    const QString text = QString::fromUtf8(field);
    switch (type) {
    case 'm':
    case 'l':
        for (auto& sense : sensesFromLines(text))
            entry.senses.push_back(std::move(sense));
        break;
    case 'g':
    case 'h':
    case 'x':
        if (entry.pronunciation.isEmpty())
            entry.pronunciation = transcriptionIn(text);
        for (auto& sense : sensesFromLines(textOfMarkup(QString(text).remove(
                 QRegularExpression(QStringLiteral("<tr>.*?</tr>"))))))
            entry.senses.push_back(std::move(sense));
        break;
    case 't':
    case 'y':
        if (entry.pronunciation.isEmpty())
            entry.pronunciation = text.trimmed();
        break;
    default: // sound, pictures, resources, WordNet data: nothing to read out
        break;
    }
}

} // namespace

DictEntry readStarDictArticle(const QByteArray& article, const QString& headword, const QString& types)
{
    DictEntry entry;
    entry.headword = headword;
    const QByteArray typeBytes = types.toLatin1();
    qsizetype at = 0;
    for (qsizetype field = 0; at < article.size() && (typeBytes.isEmpty() || field < typeBytes.size()); ++field) {
        char type;
        if (typeBytes.isEmpty())
            type = article[at++];
        else
            type = typeBytes[field];
        const bool last = !typeBytes.isEmpty() && field == typeBytes.size() - 1;
        const bool sized = type >= 'A' && type <= 'Z';
        qsizetype begin = at, end;
        if (last) {
            end = article.size();
        } else if (sized) {
            if (at + 4 > article.size())
                break;
            begin = at + 4;
            end = std::min<qsizetype>(article.size(), begin + bigEndian32(article.constData() + at));
        } else {
            end = article.indexOf('\0', at);
            if (end < 0)
                end = article.size();
        }
        addField(entry, type, article.mid(begin, end - begin));
        at = sized ? end : end + 1;
    }
    return entry;
}

DictionaryLoader starDictLoader()
{
    return {"stardict", [](const QString& fileName) { return fileName.endsWith(QLatin1String(".ifo")); }, &stampOf,
            &load};
}

} // namespace quillo::dictformats
