#include "server/engines/dictionary/DictionaryLoaders.h"

#include "server/engines/dictionary/DictZipWriter.h"
#include "server/engines/dictionary/DictdLoader.h"
#include "server/engines/dictionary/StarDictLoader.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace quillo::dictformats {

const std::vector<DictionaryLoader>& dictionaryLoaders()
{
    static const std::vector<DictionaryLoader> loaders = {
        dictdLoader(),
        starDictLoader(),
    };
    return loaders;
}

const DictionaryLoader* loaderFor(const QString& fileName)
{
    for (const DictionaryLoader& loader : dictionaryLoaders())
        if (loader.claims(fileName))
            return &loader;
    return nullptr;
}

QString filesStamp(const QStringList& paths)
{
    QStringList parts;
    for (const QString& path : paths) {
        const QFileInfo file(path);
        if (file.exists())
            parts.append(QStringLiteral("%1:%2:%3")
                             .arg(file.fileName())
                             .arg(file.size())
                             .arg(file.lastModified().toMSecsSinceEpoch()));
    }
    return parts.join(QLatin1Char(' '));
}

QString firstExisting(const QStringList& paths)
{
    for (const QString& path : paths)
        if (QFileInfo::exists(path))
            return path;
    return {};
}

QString indexPathFor(const QString& indexFolder, const QString& format, const QString& path)
{
    const QByteArray hash = QCryptographicHash::hash(QFileInfo(path).absoluteFilePath().toUtf8(),
                                                     QCryptographicHash::Sha1)
                                .toHex()
                                .left(16);
    return QDir(indexFolder).filePath(QStringLiteral("%1-%2-%3.sqlite")
                                          .arg(format, QFileInfo(path).completeBaseName(),
                                               QString::fromLatin1(hash)));
}

namespace {

const QString kCopyProperty = QStringLiteral("articles");

QString copyPathFor(const QString& indexPath)
{
    return QFileInfo(indexPath).dir().filePath(QFileInfo(indexPath).completeBaseName() + QStringLiteral(".dict.dz"));
}

} // namespace

std::optional<DictError> copyArticlesForLookups(const ArticleFile& original, const QString& indexPath,
                                                HeadwordIndex::Writer& writer)
{
    if (original.chunkLength() <= 2 * kLookupChunkLength)
        return std::nullopt;
    const QString copy = copyPathFor(indexPath);
    const QString partial = copy + QStringLiteral(".partial");
    if (auto failure = writeDictZip(original, partial)) {
        QFile::remove(partial);
        return failure;
    }
    QFile::remove(copy);
    if (!QFile::rename(partial, copy))
        return dictError(DictErrorKind::IndexWrite, QStringLiteral("%1 cannot be written").arg(copy));
    writer.setProperty(kCopyProperty, QFileInfo(copy).fileName());
    return std::nullopt;
}

std::unique_ptr<ArticleFile> articlesForLookups(std::unique_ptr<ArticleFile> original, const HeadwordIndex& index,
                                                const QString& indexPath)
{
    if (index.property(kCopyProperty).isEmpty())
        return original;
    auto copy = ArticleFile::open(copyPathFor(indexPath));
    if (!copy || copy.value()->size() != original->size())
        return original; // slower, but the same articles
    return std::move(copy.value());
}

} // namespace quillo::dictformats
