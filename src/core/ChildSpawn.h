#pragma once
// Starting a child process with posix_spawn, the one way the program and its tests start helper
// programs (QProcess's vfork-style start confuses ThreadSanitizer, and a launcher needs a new
// session, which QProcess does not offer). POSIX only.
//
// A child starts as it would from a shell, whatever the parent blocked or ignored: no signal is
// blocked, and the signals named at construction get their default handling back.
#include <QByteArray>
#include <QString>
#include <QStringList>

#include <initializer_list>

#ifndef _WIN32
#include <spawn.h>
#include <sys/types.h>

namespace quillo {

class ChildSpawn
{
public:
    explicit ChildSpawn(std::initializer_list<int> defaultSignals);
    ~ChildSpawn();
    ChildSpawn(const ChildSpawn&) = delete;
    ChildSpawn& operator=(const ChildSpawn&) = delete;

    // What the child finds at descriptor `fd`. Each returns 0 or the error number.
    int openFile(int fd, const QByteArray& path, int flags, mode_t mode = 0);
    int discard(int fd);
    int duplicate(int parentFd, int fd);
    // The child leads a session of its own: no hang-up or terminal signal meant for the parent
    // reaches it.
    void newSession();

    // Starts `program` (a path, not looked up in PATH) with `arguments` and this process's
    // environment; 0 and the child in `pid`, or the error number.
    int start(pid_t& pid, const QString& program, const QStringList& arguments);

private:
    posix_spawn_file_actions_t m_actions;
    posix_spawnattr_t m_attributes;
    short m_flags;
};

} // namespace quillo
#endif
