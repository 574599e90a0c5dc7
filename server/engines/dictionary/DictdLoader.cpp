#include "server/engines/dictionary/DictdLoader.h"

#include "server/engines/dictionary/DictionaryLanguages.h"
#include "server/engines/dictionary/Folding.h"

#include <QFile>
#include <QFileInfo>

namespace quillo::dictformats {

namespace {

bool isDatabaseHeadword(QByteArrayView headword)
{
    return headword.startsWith("00-database-") || headword.startsWith("00database");
}

QString basePath(const QString& indexPath)
{
    return indexPath.chopped(int(qstrlen(".index")));
}

QStringList dataCandidates(const QString& indexPath)
{
    return {basePath(indexPath) + QStringLiteral(".dict.dz"), basePath(indexPath) + QStringLiteral(".dict")};
}

QString stampOf(const QString& path)
{
    return filesStamp(QStringList{path} + dataCandidates(path));
}

// The title as the "00-database-short" article gives it: its first line that is not the headword.
QString titleFromArticle(const QByteArray& article)
{
    for (const QString& line : QString::fromUtf8(article).split(QLatin1Char('\n'))) {
        const QString text = line.trimmed();
        if (!text.isEmpty() && !isDatabaseHeadword(text.toUtf8()))
            return text;
    }
    return {};
}

std::optional<DictError> readIndex(const QString& path, const ArticleFile& articles, HeadwordIndex::Writer& writer)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return dictError(DictErrorKind::Unreadable, QStringLiteral("%1 cannot be read: %2").arg(path, file.errorString()));
    const QByteArray text = file.readAll();
    int lineNumber = 0;
    for (qsizetype start = 0; start < text.size();) {
        qsizetype end = text.indexOf('\n', start);
        if (end < 0)
            end = text.size();
        QByteArrayView line(text.constData() + start, end - start);
        start = end + 1;
        ++lineNumber;
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.isEmpty())
            continue;
        const qsizetype tab1 = line.indexOf('\t');
        const qsizetype tab2 = tab1 < 0 ? -1 : line.indexOf('\t', tab1 + 1);
        qsizetype tab3 = tab2 < 0 ? -1 : line.indexOf('\t', tab2 + 1);
        if (tab3 < 0)
            tab3 = line.size();
        const auto offset = tab2 < 0 ? std::nullopt : decodeDictdNumber(line.sliced(tab1 + 1, tab2 - tab1 - 1));
        const auto size = tab2 < 0 ? std::nullopt : decodeDictdNumber(line.sliced(tab2 + 1, tab3 - tab2 - 1));
        if (!offset || !size || *size > 0xffffffffu)
            return dictError(DictErrorKind::Malformed,
                             QStringLiteral("%1, line %2, is not a dictd index line").arg(path).arg(lineNumber));
        const QByteArrayView headword = line.first(tab1);
        if (headword == "00-database-short" || headword == "00databaseshort") {
            if (const auto article = articles.read(*offset, quint32(*size)))
                writer.setProperty(QStringLiteral("title"), titleFromArticle(*article));
        }
        if (!isDatabaseHeadword(headword))
            writer.add(QString::fromUtf8(headword), *offset, quint32(*size));
    }
    return std::nullopt;
}

DictEntry readArticle(const QByteArray& article, const QString& headword, const QString&)
{
    return parseDictdArticle(QString::fromUtf8(article), headword);
}

DictResult<std::unique_ptr<Dictionary>> load(const QString& path, const QString& indexFolder)
{
    const QString dataPath = firstExisting(dataCandidates(path));
    if (dataPath.isEmpty())
        return dictError(DictErrorKind::Missing,
                         QStringLiteral("%1 has no .dict.dz or .dict file beside it").arg(path));
    auto articles = ArticleFile::open(dataPath);
    if (!articles)
        return articles.error();
    const QString stamp = stampOf(path);
    const QString indexPath = indexPathFor(indexFolder, QStringLiteral("dictd"), path);
    auto index = HeadwordIndex::openOrBuild(indexPath, stamp, [&](HeadwordIndex::Writer& writer) {
        if (auto failure = readIndex(path, *articles.value(), writer))
            return failure;
        return copyArticlesForLookups(*articles.value(), indexPath, writer);
    });
    if (!index)
        return index.error();
    articles.value() = articlesForLookups(std::move(articles.value()), *index.value(), indexPath);

    const QString name = QFileInfo(path).completeBaseName();
    DictionaryInfo info{QStringLiteral("dictd"), path, index.value()->property(QStringLiteral("title")), {}, {}, stamp};
    if (info.title.isEmpty())
        info.title = name;
    if (const auto languages = languagesFromName(name))
        std::tie(info.sourceLanguage, info.targetLanguage) = *languages;
    return std::make_unique<Dictionary>(std::move(info), std::move(index.value()), std::move(articles.value()),
                                        &readArticle);
}

} // namespace

std::optional<quint64> decodeDictdNumber(QByteArrayView digits)
{
    if (digits.isEmpty() || digits.size() > 10)
        return std::nullopt;
    quint64 value = 0;
    for (char c : digits) {
        int digit;
        if (c >= 'A' && c <= 'Z')
            digit = c - 'A';
        else if (c >= 'a' && c <= 'z')
            digit = c - 'a' + 26;
        else if (c >= '0' && c <= '9')
            digit = c - '0' + 52;
        else if (c == '+')
            digit = 62;
        else if (c == '/')
            digit = 63;
        else
            return std::nullopt;
        value = value * 64 + quint64(digit);
    }
    return value;
}

DictionaryLoader dictdLoader()
{
    return {"dictd", [](const QString& fileName) { return fileName.endsWith(QLatin1String(".index")); }, &stampOf,
            &load};
}

} // namespace quillo::dictformats
