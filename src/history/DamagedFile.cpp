#include "history/DamagedFile.h"

#include <QFile>

namespace quillo {

namespace {

// SQLite's companions of a database file: its write-ahead log belongs to the damaged file and
// must not be replayed into the new one.
constexpr const char* kCompanions[] = {"-wal", "-shm", "-journal"};

QString freeName(const QString& base)
{
    QString name = base;
    for (int counter = 1; QFile::exists(name) || QFile::exists(name + QLatin1String("-wal")); ++counter)
        name = base + QStringLiteral("-%1").arg(counter);
    return name;
}

} // namespace

QString SetAsideDamagedFile(const QString& path, const QDateTime& when)
{
    const QString aside = freeName(path + QStringLiteral(".damaged-") + when.toString(QStringLiteral("yyyyMMdd-HHmmss")));
    if (!QFile::rename(path, aside))
        return {};
    for (const char* companion : kCompanions) {
        const QString from = path + QLatin1String(companion);
        if (QFile::exists(from) && !QFile::rename(from, aside + QLatin1String(companion)))
            QFile::remove(from);
    }
    return aside;
}

} // namespace quillo
