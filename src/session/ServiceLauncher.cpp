#include "session/ServiceLauncher.h"

#include "core/ChildSpawn.h"
#include "core/PrivateFolder.h"
#include "session/UserFolders.h"
#include "core/ServiceAddresses.h"
#include "http/NetworkState.h"
#include "session/UserFolders.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QUrl>

#include <cstring>
#include <future>
#include <utility>
#include <vector>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>


namespace quillo {

namespace {

constexpr int StopGraceMs = 3000;
constexpr int PollMs = 10;
const QByteArray ListeningPrefix = "quillo-server listening on ";

class FileDescriptor
{
public:
    explicit FileDescriptor(int fd = -1) : m_fd(fd) {}
    ~FileDescriptor() { reset(); }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return m_fd; }
    int release() { return std::exchange(m_fd, -1); }
    void reset()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }

private:
    int m_fd;
};

void pause() { ::usleep(PollMs * 1000); }

// Close-on-exec, so that the server started from here never inherits a lock and keeps it alive.
FileDescriptor openLockFile(const QString& path)
{
    return FileDescriptor(::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
}

bool lockWithin(int fd, int operation, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (::flock(fd, operation | LOCK_NB) != 0) {
        if ((errno != EWOULDBLOCK && errno != EINTR) || deadline.hasExpired())
            return false;
        pause();
    }
    return true;
}

struct RunningServer
{
    qint64 pid = -1;
    QString base;
};

RunningServer readServerFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QList<QByteArray> lines = file.readAll().split('\n');
    if (lines.size() < 2)
        return {};
    bool ok = false;
    const qint64 pid = lines[0].toLongLong(&ok);
    return ok && pid > 0 ? RunningServer{pid, QString::fromUtf8(lines[1])} : RunningServer{};
}

bool writeServerFile(const QString& path, const RunningServer& server)
{
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly)
        && file.write(QByteArray::number(server.pid) + '\n' + server.base.toUtf8() + '\n') > 0 && file.commit();
}

// Whether `pid` names a process that has not ended: neither gone nor a zombie.
bool alive(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return false;
    const QByteArray line = stat.readAll();
    const qsizetype end = line.lastIndexOf(") ");
    return end >= 0 && !QByteArray("ZXx").contains(line.at(end + 2));
}

// Whether `pid` is a live quillo-server: a number taken from a file may by now belong to another
// program, which must not be signalled.
bool serverRuns(qint64 pid)
{
    return alive(pid)
        && QFileInfo(QFile::symLinkTarget(QStringLiteral("/proc/%1/exe").arg(pid))).fileName().startsWith(
            QLatin1String("quillo-server"));
}

bool reaped(qint64 child)
{
    int status = 0;
    return ::waitpid(static_cast<pid_t>(child), &status, WNOHANG) == child;
}

// SIGTERM (the server finishes the requests in flight), then SIGKILL after the grace time.
void stopServer(qint64 pid, bool ownChild)
{
    ::kill(static_cast<pid_t>(pid), SIGTERM);
    const QDeadlineTimer deadline(StopGraceMs);
    while (ownChild ? !reaped(pid) : alive(pid)) {
        if (deadline.hasExpired()) {
            ::kill(static_cast<pid_t>(pid), SIGKILL);
            if (ownChild)
                ::waitpid(static_cast<pid_t>(pid), nullptr, 0);
            return;
        }
        pause();
    }
}

struct SpawnResult
{
    qint64 pid = -1;
    QString error;
};

SpawnResult spawnServer(const QString& program, const QStringList& arguments, const QString& outputFile,
                        const QString& errorFile)
{
    ChildSpawn spawn({SIGPIPE, SIGINT, SIGTERM, SIGHUP, SIGCHLD});
    spawn.discard(STDIN_FILENO);
    spawn.openFile(STDOUT_FILENO, QFile::encodeName(outputFile), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    spawn.openFile(STDERR_FILENO, QFile::encodeName(errorFile), O_WRONLY | O_CREAT | O_APPEND, 0600);
    spawn.newSession();
    pid_t pid = -1;
    const int failed = spawn.start(pid, program, arguments);
    if (failed)
        return {-1, QStringLiteral("%1: %2").arg(program, QString::fromLocal8Bit(std::strerror(failed)))};
    return {pid, {}};
}

// The base address from the server's first line, or the reason there is none.
struct FirstLine
{
    QString base;
    QString error;
    bool ended = false; // the server has ended and been reaped
};

FirstLine waitForFirstLine(qint64 pid, const QString& outputFile, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    QFile output(outputFile);
    for (;;) {
        if (output.isOpen() || output.open(QIODevice::ReadOnly)) {
            const QByteArray text = output.peek(4096);
            const qsizetype end = text.indexOf('\n');
            if (end >= 0) {
                const QByteArray line = text.left(end);
                if (line.startsWith(ListeningPrefix))
                    return {QStringLiteral("http://") + QString::fromUtf8(line.mid(ListeningPrefix.size())), {}};
                return {{}, QStringLiteral("unexpected first line \"%1\"").arg(QString::fromUtf8(line))};
            }
        }
        int status = 0;
        if (::waitpid(static_cast<pid_t>(pid), &status, WNOHANG) == pid) {
            return {{},
                    WIFEXITED(status) ? QStringLiteral("it ended with status %1 before listening").arg(WEXITSTATUS(status))
                                      : QStringLiteral("it was ended by signal %1 before listening").arg(WTERMSIG(status)),
                    true};
        }
        if (deadline.hasExpired())
            return {{}, QStringLiteral("it did not report its port within %1 ms").arg(timeoutMs)};
        pause();
    }
}

// The runtime folder and the one that holds it, both private; else the first one's problem.
PrivateFolder ensurePrivateRuntime(const QString& folder)
{
    if (folder.isEmpty())
        return EnsurePrivateFolder(folder);
    const PrivateFolder parent = EnsurePrivateFolder(QFileInfo(folder).path());
    return parent.usable ? EnsurePrivateFolder(folder) : parent;
}

} // namespace

ServiceLauncher::Setup ServiceLauncher::DefaultSetup()
{
    Setup setup;
    setup.serverProgram = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("quillo-server"));
    setup.runtimeFolder = RuntimeFolder();
    setup.dataFolder = ServerDataFolder();
    setup.logFolder = StateFolder();
    return setup;
}

ServiceLauncher::ServiceLauncher(Setup setup) : m_setup(std::move(setup)) {}

ServiceLauncher::~ServiceLauncher()
{
    Leave();
    // The address stays this run's; only the hook that would call this launcher goes.
    if (m_runAddress)
        SetRunServiceBase(m_runFuture, {});
}

void ServiceLauncher::log(const QString& line) const
{
    AppendLogLine(m_setup.logFolder, line);
}

QString ServiceLauncher::Join()
{
    // The locks and the address file decide whose server a copy joins and which process it
    // stops: in a folder another user can reach, that user could choose both.
    if (const PrivateFolder check = ensurePrivateRuntime(m_setup.runtimeFolder); !check.usable) {
        log(QStringLiteral("cannot share a translation server: %1").arg(check.problem));
        return {};
    }
    const QDir runtime(m_setup.runtimeFolder);
    const FileDescriptor joinLock = openLockFile(runtime.filePath(QStringLiteral("server.lock")));
    FileDescriptor clientLock = openLockFile(runtime.filePath(QStringLiteral("clients.lock")));
    if (joinLock.get() < 0 || clientLock.get() < 0
        || !lockWithin(joinLock.get(), LOCK_EX, m_setup.lockTimeoutMs)) {
        log(QStringLiteral("cannot lock %1: %2").arg(m_setup.runtimeFolder, QString::fromLocal8Bit(std::strerror(errno))));
        return {};
    }

    const RunningServer running = readServerFile(runtime.filePath(QStringLiteral("server")));
    QString base;
    if (serverRuns(running.pid) && AddressAnswers(running.base, 1000)) {
        base = running.base;
        m_serverPid = running.pid;
        log(QStringLiteral("sharing quillo-server %1 at %2").arg(running.pid).arg(base));
    } else {
        base = start();
    }
    // Nobody holds clients.lock exclusively without holding server.lock, which is ours now.
    if (!base.isEmpty() && ::flock(clientLock.get(), LOCK_SH | LOCK_NB) == 0)
        m_clientLock = clientLock.release();
    return base;
}

QString ServiceLauncher::start()
{
    if (!QFileInfo(m_setup.serverProgram).isExecutable()) {
        log(QStringLiteral("cannot start the translation server: %1 is missing").arg(m_setup.serverProgram));
        return {};
    }
    QDir().mkpath(m_setup.dataFolder);
    QDir().mkpath(m_setup.logFolder);
    const QDir runtime(m_setup.runtimeFolder);
    const QString serverLog = QDir(m_setup.logFolder).filePath(QStringLiteral("server.log"));
    RotateLog(serverLog);
    const QString output = runtime.filePath(QStringLiteral("server.out"));
    // The server ends by itself once no copy holds the clients lock, so that one outlives no copy
    // killed outright. It starts no offline direction ahead (each costs tens of megabytes) and
    // ends one unused for five minutes: the program tells it which pair the user picks.
    const QStringList arguments{QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0"), QStringLiteral("--data"),
                                m_setup.dataFolder, QStringLiteral("--clients-folder"), m_setup.runtimeFolder,
                                QStringLiteral("--quiet"), QStringLiteral("--pipelines-warm-start"), QStringLiteral("0"),
                                QStringLiteral("--pipeline-idle"), QStringLiteral("300")};
    const SpawnResult spawned = spawnServer(m_setup.serverProgram, arguments, output, serverLog);
    if (spawned.pid < 0) {
        log(QStringLiteral("cannot start the translation server: %1").arg(spawned.error));
        return {};
    }
    const FirstLine first = waitForFirstLine(spawned.pid, output, m_setup.startTimeoutMs);
    if (first.base.isEmpty()) {
        if (!first.ended)
            stopServer(spawned.pid, true);
        log(QStringLiteral("cannot start the translation server %1: %2 (see %3)")
                .arg(m_setup.serverProgram, first.error, serverLog));
        return {};
    }
    m_serverPid = m_startedPid = spawned.pid;
    if (!writeServerFile(runtime.filePath(QStringLiteral("server")), {spawned.pid, first.base}))
        log(QStringLiteral("cannot write %1: other copies will start servers of their own").arg(runtime.path()));
    log(QStringLiteral("started quillo-server %1 at %2").arg(spawned.pid).arg(first.base));
    return first.base;
}

void ServiceLauncher::Leave()
{
    // A look not begun by now never will be: whoever waits for the address gets the default.
    std::call_once(m_looking, [this] {
        if (m_runAddress)
            m_runAddress->set_value({});
    });
    if (m_joining.joinable())
        m_joining.join();
    if (m_clientLock < 0) {
        if (m_startedPid > 0)
            reaped(m_startedPid);
        return;
    }
    const QDir runtime(m_setup.runtimeFolder);
    const FileDescriptor joinLock = openLockFile(runtime.filePath(QStringLiteral("server.lock")));
    const bool locked = joinLock.get() >= 0 && lockWithin(joinLock.get(), LOCK_EX, m_setup.lockTimeoutMs);
    ::close(std::exchange(m_clientLock, -1));
    if (!locked) {
        log(QStringLiteral("cannot lock %1: the translation server is left running").arg(runtime.path()));
        return;
    }
    const FileDescriptor clients = openLockFile(runtime.filePath(QStringLiteral("clients.lock")));
    if (clients.get() < 0 || ::flock(clients.get(), LOCK_EX | LOCK_NB) != 0)
        return; // another copy still uses it and will stop it
    const RunningServer running = readServerFile(runtime.filePath(QStringLiteral("server")));
    if (serverRuns(running.pid)) {
        stopServer(running.pid, running.pid == m_startedPid);
        log(QStringLiteral("stopped quillo-server %1").arg(running.pid));
    }
    QFile::remove(runtime.filePath(QStringLiteral("server")));
    if (m_startedPid > 0 && m_startedPid != running.pid)
        reaped(m_startedPid);
}

void ServiceLauncher::UseForThisRun()
{
    m_runAddress = std::make_shared<std::promise<QString>>();
    m_runFuture = m_runAddress->get_future().share();
    SetRunServiceBase(m_runFuture, [this] { LookForThisRun(); });
}

void ServiceLauncher::LookForThisRun()
{
    if (!m_runAddress)
        return;
    std::call_once(m_looking, [this] {
        m_joining = std::thread([this, address = m_runAddress] {
            const QString fallback = QStringLiteral(QUILLO_DEFAULT_SERVICE);
            if (!IsThisMachine(QUrl(fallback).host()) || AddressAnswers(fallback, 1000)) {
                address->set_value({});
                return;
            }
            address->set_value(Join());
        });
    });
}

bool AddressAnswers(const QString& base, int timeoutMs)
{
    const QUrl url(base);
    if (!url.isValid() || url.host().isEmpty())
        return false;
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo* found = nullptr;
    const QByteArray port = QByteArray::number(url.port(80));
    if (::getaddrinfo(url.host().toUtf8().constData(), port.constData(), &hints, &found) != 0)
        return false;
    const QDeadlineTimer deadline(timeoutMs);
    bool answers = false;
    for (const addrinfo* a = found; a && !answers; a = a->ai_next) {
        const FileDescriptor socket(::socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol));
        if (socket.get() < 0)
            continue;
        if (::connect(socket.get(), a->ai_addr, a->ai_addrlen) == 0) {
            answers = true;
            break;
        }
        if (errno != EINPROGRESS)
            continue;
        pollfd wait{socket.get(), POLLOUT, 0};
        int error = 0;
        socklen_t size = sizeof error;
        answers = ::poll(&wait, 1, static_cast<int>(deadline.remainingTime())) == 1
            && ::getsockopt(socket.get(), SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0;
    }
    ::freeaddrinfo(found);
    return answers;
}

} // namespace quillo
