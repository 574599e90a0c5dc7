#include "server/dictformats/DictionaryLoaders.h"

#include "server/dictformats/DictdLoader.h"
#include "server/dictformats/StarDictLoader.h"

#include <QCryptographicHash>
#include <QDir>
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

} // namespace quillo::dictformats
