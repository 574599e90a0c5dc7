#include "desktop/SingleInstance.h"

#include "core/PrivateFolder.h"

#include <QDebug>
#include <QFileInfo>
#include <QMetaMethod>
#include <QTimer>
#include <utility>

#ifdef Q_OS_WIN
#include <QLocalServer>
#include <QLocalSocket>
#else
#include <QFile>
#include <QSocketNotifier>

#include <cerrno>
#include <cstring>
#include <optional>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>
#endif

#ifdef QUILLO_HAVE_DBUS
#include <QDBusConnection>
#endif

namespace quillo {

namespace {

constexpr int kHandOverTimeoutMs = 2000;

#ifndef Q_OS_WIN
// A command line is a word; a peer that sends more without a line end is not one of us.
constexpr qsizetype kMaxCommandLength = 4096;

std::optional<sockaddr_un> addressOf(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (name.isEmpty() || name.size() >= static_cast<qsizetype>(sizeof address.sun_path))
        return std::nullopt;
    std::memcpy(address.sun_path, name.constData(), static_cast<size_t>(name.size()));
    return address;
}

// Whether the process at the other end of `socket` runs as this user: the kernel's word, which
// no file mode can fake.
bool peerIsThisUser(int socket)
{
    ucred peer{};
    socklen_t size = sizeof peer;
    return ::getsockopt(socket, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 && peer.uid == ::geteuid();
}

PrivateFolder folderOf(const QString& socketPath)
{
    return EnsurePrivateFolder(socketPath.isEmpty() ? QString() : QFileInfo(socketPath).path());
}

// Connects to the running instance, hands `line` over and waits for its answer, each step
// within the hand-over time (the socket's time-outs bound the blocking calls).
bool sendAndAwaitAnswer(const sockaddr_un& address, const QByteArray& line)
{
    const int socket = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (socket < 0)
        return false;
    const timeval timeout{kHandOverTimeoutMs / 1000, (kHandOverTimeoutMs % 1000) * 1000};
    bool answered = ::setsockopt(socket, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout) == 0
                    && ::setsockopt(socket, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout) == 0
                    && ::connect(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0
                    && peerIsThisUser(socket)
                    && ::send(socket, line.constData(), static_cast<size_t>(line.size()), MSG_NOSIGNAL) == line.size();
    if (answered) {
        char answer = 0;
        ssize_t got = 0;
        do
            got = ::recv(socket, &answer, 1, 0);
        while (got < 0 && errno == EINTR);
        answered = got == 1;
    }
    ::close(socket);
    return answered;
}
#endif

} // namespace

QByteArray CommandOfArguments(const QStringList& arguments)
{
    if (arguments.contains(QStringLiteral("--ocr-region")))
        return kReadScreenRegionCommand;
    if (arguments.contains(QStringLiteral("--replace-selection")))
        return kReplaceSelectionCommand;
    return arguments.contains(QStringLiteral("--translate-selection")) ? QByteArray(kTranslateSelectionCommand)
                                                                      : QByteArray(kShowCommand);
}

SingleInstance::SingleInstance(QString socketPath, QObject* parent)
    : QObject(parent)
    , m_socketPath(std::move(socketPath))
{
}

QString SingleInstance::DefaultSocketPath()
{
    // Without a runtime folder there is no socket at all rather than one in a folder every user
    // shares.
    const QString folder = UserRuntimeFolder();
    return folder.isEmpty() ? QString() : folder + QStringLiteral("/quillo.socket");
}

void SingleInstance::deliver(const QByteArray& command)
{
    QTimer::singleShot(0, this, [this, command] {
        if (commandTaken())
            emit commandReceived(command);
        else
            m_waiting.append(command);
    });
}

bool SingleInstance::commandTaken() const
{
    return isSignalConnected(QMetaMethod::fromSignal(&SingleInstance::commandReceived));
}

void SingleInstance::connectNotify(const QMetaMethod& signal)
{
    // After the connect has returned, so that whoever connected is ready for the command.
    if (signal == QMetaMethod::fromSignal(&SingleInstance::commandReceived) && !m_waiting.isEmpty())
        QTimer::singleShot(0, this, &SingleInstance::deliverWaiting);
}

void SingleInstance::deliverWaiting()
{
    if (!commandTaken())
        return;
    for (const QByteArray& command : std::exchange(m_waiting, {}))
        emit commandReceived(command);
}

#ifdef Q_OS_WIN
SingleInstance::~SingleInstance() = default;

bool SingleInstance::handOver(const QByteArray& command)
{
    QLocalSocket socket;
    socket.connectToServer(m_socketPath);
    if (!socket.waitForConnected(kHandOverTimeoutMs))
        return false;
    socket.write(command + '\n');
    // The running one answers once it has the whole line: a start that ends earlier could lose it.
    return socket.waitForBytesWritten(kHandOverTimeoutMs) && socket.waitForReadyRead(kHandOverTimeoutMs);
}

bool SingleInstance::listen()
{
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(m_socketPath)) {
        QLocalServer::removeServer(m_socketPath);
        if (!m_server->listen(m_socketPath))
            return false;
    }
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::readCommand);
    return true;
}

void SingleInstance::readCommand()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine())
                return;
            const QByteArray command = socket->readLine().trimmed();
            socket->write("ok\n");
            socket->flush();
            deliver(command);
        });
    }
}
#else
SingleInstance::~SingleInstance()
{
    if (m_listener < 0)
        return;
    ::close(m_listener);
    ::unlink(QFile::encodeName(m_socketPath).constData());
}

bool SingleInstance::handOver(const QByteArray& command)
{
    const auto address = addressOf(m_socketPath);
    // The running one answers once it has the whole line: a start that ends earlier could lose it.
    return address && folderOf(m_socketPath).usable && sendAndAwaitAnswer(*address, command + '\n');
}

bool SingleInstance::listen()
{
    // A socket where other users can reach it would take their commands, or let them take its
    // place: without a private folder this copy runs on without a single instance.
    if (const PrivateFolder folder = folderOf(m_socketPath); !folder.usable) {
        qWarning().noquote() << "quillo: no single running instance:" << folder.problem;
        return false;
    }
    const auto address = addressOf(m_socketPath);
    if (!address || m_listener >= 0)
        return false;
    const int listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (listener < 0)
        return false;
    const QByteArray path = QFile::encodeName(m_socketPath);
    const auto bind = [&] { return ::bind(listener, reinterpret_cast<const sockaddr*>(&*address), sizeof *address) == 0; };
    // Nobody answered on the socket, so a file left there by a crashed instance is replaced.
    bool bound = bind() || (errno == EADDRINUSE && ::unlink(path.constData()) == 0 && bind());
    // Only this user may hand commands over; nobody can connect before listen().
    if (bound && (::chmod(path.constData(), S_IRUSR | S_IWUSR) != 0 || ::listen(listener, SOMAXCONN) != 0)) {
        ::unlink(path.constData());
        bound = false;
    }
    if (!bound) {
        ::close(listener);
        return false;
    }
    m_listener = listener;
    auto* notifier = new QSocketNotifier(m_listener, QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, &SingleInstance::acceptConnections);
    return true;
}

void SingleInstance::acceptConnections()
{
    for (;;) {
        const int connection = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (connection < 0)
            return;  // all taken (EAGAIN), or a connection that gave up meanwhile
        if (peerIsThisUser(connection))
            serve(connection);
        else
            ::close(connection);
    }
}

void SingleInstance::serve(int connection)
{
    auto* notifier = new QSocketNotifier(connection, QSocketNotifier::Read, this);
    connect(notifier, &QObject::destroyed, [connection] { ::close(connection); });
    connect(notifier, &QSocketNotifier::activated, this, [this, notifier, connection, line = QByteArray()]() mutable {
        char buffer[256];
        const ssize_t got = ::recv(connection, buffer, sizeof buffer, 0);
        if (got < 0 && (errno == EAGAIN || errno == EINTR))
            return;
        if (got > 0)
            line.append(buffer, got);
        const qsizetype end = line.indexOf('\n');
        if (end < 0 && got > 0 && line.size() <= kMaxCommandLength)
            return;
        if (end >= 0) {
            const QByteArray command = line.left(end).trimmed();
            ::send(connection, "ok\n", 3, MSG_NOSIGNAL);
            deliver(command);
        }
        notifier->setEnabled(false);
        notifier->deleteLater();
    });
}
#endif

#ifdef QUILLO_HAVE_DBUS
namespace {

class SessionBusCommands : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.quillo.Quillo")
public:
    explicit SessionBusCommands(SingleInstance* instance)
        : QObject(instance)
        , m_instance(instance)
    {
    }

public slots:
    Q_SCRIPTABLE void TranslateSelection() { later(kTranslateSelectionCommand); }
    Q_SCRIPTABLE void ShowWindow() { later(kShowCommand); }
    Q_SCRIPTABLE void ReadScreenRegion() { later(kReadScreenRegionCommand); }
    Q_SCRIPTABLE void ReplaceSelection() { later(kReplaceSelectionCommand); }

private:
    // The caller gets its answer at once; the command (which may wait for a translation) runs after.
    void later(const char* command)
    {
        m_instance->deliver(command);
    }

    SingleInstance* m_instance;
};

} // namespace

bool OfferCommandsOnSessionBus(SingleInstance* instance)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    auto* commands = new SessionBusCommands(instance);
    return bus.registerObject(QStringLiteral("/Quillo"), commands, QDBusConnection::ExportScriptableSlots)
           && bus.registerService(QStringLiteral("org.quillo.Quillo"));
}
#else
bool OfferCommandsOnSessionBus(SingleInstance*)
{
    return false;
}
#endif

} // namespace quillo

#ifdef QUILLO_HAVE_DBUS
#include "SingleInstance.moc"
#endif
