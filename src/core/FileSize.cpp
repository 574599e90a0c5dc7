#include "core/FileSize.h"

#include <QDir>
#include <QFileInfo>

namespace quillo {

qint64 FileSizeByName(const QString& fileName)
{
    if (fileName.isEmpty())
        return -1;
    const QFileInfo info(QDir::current().absoluteFilePath(fileName));
    if (!info.exists())
        return -1;
    return info.isDir() ? 0 : info.size();
}

} // namespace quillo
