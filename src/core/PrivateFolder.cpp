#include "core/PrivateFolder.h"

#include <QFile>
#include <QStandardPaths>

#ifndef Q_OS_WIN
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace quillo {

QString UserRuntimeFolder()
{
    const QString found = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return found.isEmpty() ? qEnvironmentVariable("XDG_RUNTIME_DIR") : found;
}

#ifdef Q_OS_WIN
// The user's profile folders are private by their access lists; the local server is restricted
// to the user by its own option.
PrivateFolder EnsurePrivateFolder(const QString& path)
{
    if (path.isEmpty())
        return {false, QStringLiteral("no folder")};
    return {true, {}};
}
#else
PrivateFolder EnsurePrivateFolder(const QString& path)
{
    if (path.isEmpty())
        return {false, QStringLiteral("no runtime folder")};
    const QByteArray name = QFile::encodeName(path);
    const auto failure = [&path](const char* what) { return PrivateFolder{false, path + QLatin1String(what)}; };
    const auto systemFailure = [&path] {
        return PrivateFolder{false, path + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno))};
    };
    if (::mkdir(name.constData(), S_IRWXU) != 0 && errno != EEXIST)
        return systemFailure();
    struct stat info{};
    if (::lstat(name.constData(), &info) != 0)
        return systemFailure();
    if (!S_ISDIR(info.st_mode))
        return failure(" is not a folder of its own (a link or a file)");
    if (info.st_uid != ::geteuid())
        return failure(" belongs to another user");
    if ((info.st_mode & (S_IRWXG | S_IRWXO)) != 0)
        return failure(" is open to other users");
    return {true, {}};
}
#endif

} // namespace quillo
