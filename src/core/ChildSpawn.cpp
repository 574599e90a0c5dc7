#include "core/ChildSpawn.h"

#ifndef _WIN32
#include <QFile>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace quillo {

ChildSpawn::ChildSpawn(std::initializer_list<int> defaultSignals)
    : m_flags(POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF)
{
    posix_spawn_file_actions_init(&m_actions);
    posix_spawnattr_init(&m_attributes);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&m_attributes, &none);
    sigset_t defaults;
    sigemptyset(&defaults);
    for (const int signal : defaultSignals)
        sigaddset(&defaults, signal);
    posix_spawnattr_setsigdefault(&m_attributes, &defaults);
}

ChildSpawn::~ChildSpawn()
{
    posix_spawn_file_actions_destroy(&m_actions);
    posix_spawnattr_destroy(&m_attributes);
}

int ChildSpawn::openFile(int fd, const QByteArray& path, int flags, mode_t mode)
{
    return posix_spawn_file_actions_addopen(&m_actions, fd, path.constData(), flags, mode);
}

int ChildSpawn::discard(int fd)
{
    return openFile(fd, QByteArrayLiteral("/dev/null"), fd == STDIN_FILENO ? O_RDONLY : O_WRONLY);
}

int ChildSpawn::duplicate(int parentFd, int fd)
{
    return posix_spawn_file_actions_adddup2(&m_actions, parentFd, fd);
}

void ChildSpawn::newSession()
{
    m_flags |= POSIX_SPAWN_SETSID;
}

int ChildSpawn::start(pid_t& pid, const QString& program, const QStringList& arguments)
{
    // The words live as long as the pointers posix_spawn reads.
    std::vector<QByteArray> words{QFile::encodeName(program)};
    for (const QString& argument : arguments)
        words.push_back(QFile::encodeName(argument));
    std::vector<char*> argv;
    for (QByteArray& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    posix_spawnattr_setflags(&m_attributes, m_flags);
    return posix_spawn(&pid, argv[0], &m_actions, &m_attributes, argv.data(), environ);
}

} // namespace quillo
#endif
