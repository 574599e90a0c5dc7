#pragma once
// Helper programs that tests start (quillo-server, its commands, the skin packer, a browser, a
// shell), started with posix_spawn rather than QProcess.
//
// Qt 6.4's QProcess starts its child with clone(CLONE_VM | CLONE_VFORK): until the exec, the child
// runs ThreadSanitizer's interceptors in the parent's memory, and from then on the sanitizer no
// longer sees the starting thread's mutex locks and reports races on data that is only ever used
// under a lock. glibc's posix_spawn child calls only internal functions and leaves that state
// alone. Every wait below is a poll() with a deadline, so a helper that hangs fails its test
// instead of stopping the suite.
#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

#include <sys/types.h>

namespace quillo::test {

struct ChildOptions
{
    enum class Channel { Inherit, Discard, Pipe };
    // Pipe: the child reads what the test writes, and sees the end at closeInput().
    Channel input = Channel::Discard;
    // Pipe: collected, read with standardError().
    Channel error = Channel::Inherit;
};

struct ExitStatus
{
    int code = -1;  // the exit code when it ended by itself
    int signal = 0; // the signal that ended it; 0 when it exited
    bool exited() const { return signal == 0; }
    bool succeeded() const { return signal == 0 && code == 0; }
};

class ChildProcess
{
public:
    ChildProcess(const QString& program, const QStringList& arguments, const ChildOptions& options = {});
    // A child still running is killed and reaped.
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool started() const { return m_pid > 0; }
    // Why it did not start ("program: No such file or directory").
    QString startError() const { return m_startError; }
    pid_t pid() const { return m_pid; }

    // The next line of its output, without the line end; nothing when no whole line came before
    // the deadline or the output ended.
    std::optional<QByteArray> readLine(int timeoutMs);
    // Output read so far that readLine() has not handed out (a partial line, or all of it).
    QByteArray takeOutput();
    // What it wrote to its error channel so far, when that is a pipe.
    QByteArray standardError() const { return m_error; }

    // Reads its output and error channels while it runs, so that it never blocks on a full pipe.
    std::optional<ExitStatus> waitForExit(int timeoutMs);
    std::optional<ExitStatus> exitStatus() const { return m_status; }
    bool running();

    void closeInput();
    void signal(int number);
    // SIGTERM, up to `graceMs` to end, then SIGKILL.
    std::optional<ExitStatus> stop(int graceMs);

private:
    // Reads what is there; waits up to `timeoutMs` for more or for the end of the child.
    void pump(int timeoutMs);
    // Notes its end when it has ended, without waiting.
    void reap();
    void closeAll();

    pid_t m_pid = -1;
    int m_pidFd = -1;
    int m_input = -1;
    int m_output = -1;
    int m_errorPipe = -1;
    QByteArray m_outputBuffer;
    QByteArray m_error;
    QString m_startError;
    std::optional<ExitStatus> m_status;
};

struct RunResult
{
    QString startError;
    std::optional<ExitStatus> status; // nothing when it was still running at the deadline (then killed)
    QByteArray output;
    QByteArray error;
    bool succeeded() const { return status && status->succeeded(); }
    int exitCode() const { return status && status->exited() ? status->code : -1; }
};

// Runs a program to its end, collecting its output and error channels; one still running after
// `timeoutMs` is killed.
RunResult RunToEnd(const QString& program, const QStringList& arguments, int timeoutMs);

} // namespace quillo::test
