#include "ChildProcess.h"

#include "core/ChildSpawn.h"

#include <QDeadlineTimer>
#include <QFile>

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace quillo::test {

namespace {

// How long a killed child may take to be reaped.
constexpr int kReapAfterKillMs = 10000;
// Without a pidfd (an old kernel) the end of the child is only noticed between polls this long.
constexpr int kPollSliceMs = 20;

void closeFd(int& fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

// Both ends close on exec: only the end handed to the child (by dup2) survives into it, so no
// other child started meanwhile keeps a pipe open.
struct Pipe
{
    int read = -1;
    int write = -1;
    bool open()
    {
        int ends[2];
        if (::pipe2(ends, O_CLOEXEC) != 0)
            return false;
        read = ends[0];
        write = ends[1];
        return true;
    }
    void close()
    {
        closeFd(read);
        closeFd(write);
    }
};

// Connects the child's `fd` as `channel` asks; for a pipe, `childEnd` is the end it gets.
// Returns 0 or the error number.
int connectChannel(ChildSpawn& spawn, int fd, ChildOptions::Channel channel, int childEnd)
{
    switch (channel) {
    case ChildOptions::Channel::Inherit:
        return 0;
    case ChildOptions::Channel::Discard:
        return spawn.discard(fd);
    case ChildOptions::Channel::Pipe:
        return spawn.duplicate(childEnd, fd);
    }
    return EINVAL;
}

void makeNonBlocking(int fd)
{
    if (fd >= 0)
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
}

// Reads whatever `fd` holds now into `into`; closes it at the end of the stream.
void readAvailable(int& fd, QByteArray& into)
{
    std::array<char, 65536> chunk;
    while (fd >= 0) {
        const ssize_t got = ::read(fd, chunk.data(), chunk.size());
        if (got > 0) {
            into.append(chunk.data(), got);
        } else if (got == 0 || (errno != EINTR && errno != EAGAIN)) {
            closeFd(fd);
        } else if (errno == EAGAIN) {
            return;
        }
    }
}

int remainingMs(const QDeadlineTimer& deadline)
{
    return static_cast<int>(std::max<qint64>(0, deadline.remainingTime()));
}

// Starts the child with its ends of the pipes; returns 0 or the error number.
int spawn(pid_t& pid, const QString& program, const QStringList& arguments, const ChildOptions& options, Pipe& input,
          Pipe& output, Pipe& error)
{
    const bool wantInput = options.input == ChildOptions::Channel::Pipe;
    const bool wantError = options.error == ChildOptions::Channel::Pipe;
    if (!output.open() || (wantInput && !input.open()) || (wantError && !error.open()))
        return errno;
    // A test may have blocked or ignored signals; the helper starts as it would from a shell.
    ChildSpawn setup({SIGPIPE});
    int result = connectChannel(setup, STDIN_FILENO, options.input, input.read);
    if (result == 0)
        result = connectChannel(setup, STDOUT_FILENO, ChildOptions::Channel::Pipe, output.write);
    if (result == 0)
        result = connectChannel(setup, STDERR_FILENO, options.error, error.write);
    if (result == 0)
        result = setup.start(pid, program, arguments);
    return result;
}

} // namespace

ChildProcess::ChildProcess(const QString& program, const QStringList& arguments, const ChildOptions& options)
{
    Pipe input, output, error;
    const int result = spawn(m_pid, program, arguments, options, input, output, error);
    closeFd(input.read);
    closeFd(output.write);
    closeFd(error.write);
    if (result != 0) {
        m_pid = -1;
        m_startError = program + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(result));
        input.close();
        output.close();
        error.close();
        return;
    }
    m_input = input.write;
    m_output = output.read;
    m_errorPipe = error.read;
    makeNonBlocking(m_output);
    makeNonBlocking(m_errorPipe);
    // Through syscall(): glibc 2.36's <sys/pidfd.h> declares pidfd_open without C linkage.
    m_pidFd = static_cast<int>(::syscall(SYS_pidfd_open, m_pid, 0));
}

ChildProcess::~ChildProcess()
{
    closeInput();
    if (running()) {
        signal(SIGKILL);
        waitForExit(kReapAfterKillMs);
    }
    closeAll();
}

std::optional<QByteArray> ChildProcess::readLine(int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (true) {
        const qsizetype end = m_outputBuffer.indexOf('\n');
        if (end >= 0) {
            QByteArray line = m_outputBuffer.left(end);
            m_outputBuffer.remove(0, end + 1);
            return line;
        }
        if (m_output < 0 || deadline.hasExpired())
            return std::nullopt;
        pump(remainingMs(deadline));
    }
}

QByteArray ChildProcess::takeOutput()
{
    pump(0);
    return std::exchange(m_outputBuffer, QByteArray());
}

std::optional<ExitStatus> ChildProcess::waitForExit(int timeoutMs)
{
    if (!started())
        return std::nullopt;
    const QDeadlineTimer deadline(timeoutMs);
    while (!m_status && !deadline.hasExpired())
        pump(remainingMs(deadline));
    // What it wrote before it ended is still in the pipes.
    readAvailable(m_output, m_outputBuffer);
    readAvailable(m_errorPipe, m_error);
    return m_status;
}

bool ChildProcess::running()
{
    reap();
    return started() && !m_status;
}

void ChildProcess::closeInput()
{
    closeFd(m_input);
}

void ChildProcess::signal(int number)
{
    // Until it is reaped the id cannot have passed to another process.
    if (started() && !m_status)
        ::kill(m_pid, number);
}

std::optional<ExitStatus> ChildProcess::stop(int graceMs)
{
    if (!running())
        return m_status;
    signal(SIGTERM);
    if (waitForExit(graceMs))
        return m_status;
    signal(SIGKILL);
    return waitForExit(kReapAfterKillMs);
}

void ChildProcess::pump(int timeoutMs)
{
    std::array<pollfd, 3> fds{};
    nfds_t count = 0;
    for (int fd : {m_output, m_errorPipe, m_pidFd}) {
        if (fd >= 0)
            fds[count++] = pollfd{fd, POLLIN, 0};
    }
    const int slice = m_pidFd >= 0 || m_status ? timeoutMs : std::min(timeoutMs, kPollSliceMs);
    ::poll(fds.data(), count, slice);
    readAvailable(m_output, m_outputBuffer);
    readAvailable(m_errorPipe, m_error);
    reap();
}

void ChildProcess::reap()
{
    if (!started() || m_status)
        return;
    int status = 0;
    if (::waitpid(m_pid, &status, WNOHANG) != m_pid)
        return;
    ExitStatus ended;
    if (WIFSIGNALED(status))
        ended.signal = WTERMSIG(status);
    else
        ended.code = WEXITSTATUS(status);
    m_status = ended;
    closeFd(m_pidFd);
}

void ChildProcess::closeAll()
{
    closeFd(m_input);
    closeFd(m_output);
    closeFd(m_errorPipe);
    closeFd(m_pidFd);
}

RunResult RunToEnd(const QString& program, const QStringList& arguments, int timeoutMs)
{
    ChildProcess child(program, arguments, ChildOptions{ChildOptions::Channel::Discard, ChildOptions::Channel::Pipe});
    RunResult result;
    result.startError = child.startError();
    if (!child.started())
        return result;
    result.status = child.waitForExit(timeoutMs);
    if (!result.status) {
        child.signal(SIGKILL);
        child.waitForExit(kReapAfterKillMs);
    }
    result.output = child.takeOutput();
    result.error = child.standardError();
    return result;
}

} // namespace quillo::test
