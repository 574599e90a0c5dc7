#include "session/UserFolders.h"

#include "core/PrivateFolder.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>

namespace quillo {

namespace {

// The base directory named by `variable` when it holds an absolute path (the only kind the XDG
// rules accept), else `fallback` under the home folder.
QString xdgBase(const char* variable, const QString& fallback)
{
    const QString value = qEnvironmentVariable(variable);
    if (QDir::isAbsolutePath(value))
        return value;
    return QDir::home().filePath(fallback);
}

QString dataHome()
{
    return xdgBase("XDG_DATA_HOME", QStringLiteral(".local/share"));
}

} // namespace

QString StateFolder()
{
    return xdgBase("XDG_STATE_HOME", QStringLiteral(".local/state")) + QStringLiteral("/quillo");
}

QString RuntimeFolder()
{
    const QString base = UserRuntimeFolder();
    return base.isEmpty() ? QString() : base + QStringLiteral("/quillo");
}

QString UserDataFile(const QString& name)
{
    return dataHome() + QStringLiteral("/quillo/") + name;
}

QString ServerDataFolder()
{
    return dataHome() + QStringLiteral("/quillo-server");
}

void RotateLog(const QString& path)
{
    constexpr qint64 MaxLogBytes = 1024 * 1024;
    if (QFileInfo(path).size() > MaxLogBytes) {
        QFile::remove(path + QStringLiteral(".1"));
        QFile::rename(path, path + QStringLiteral(".1"));
    }
}

void AppendLogLine(const QString& folder, const QString& line)
{
    const QByteArray stamped = (QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs) + QLatin1Char(' ')
                                + line + QLatin1Char('\n'))
                                   .toUtf8();
    std::fputs(("quillo: " + line.toUtf8() + '\n').constData(), stderr);
    QDir().mkpath(folder);
    const QString path = QDir(folder).filePath(QStringLiteral("quillo.log"));
    RotateLog(path);
    QFile log(path);
    if (log.open(QIODevice::WriteOnly | QIODevice::Append))
        log.write(stamped);
}

} // namespace quillo
