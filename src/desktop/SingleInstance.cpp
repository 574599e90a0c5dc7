#include "desktop/SingleInstance.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QTimer>

#ifdef QUILLO_HAVE_DBUS
#include <QDBusConnection>
#endif

namespace quillo {

namespace {

constexpr int kHandOverTimeoutMs = 2000;

} // namespace

QByteArray CommandOfArguments(const QStringList& arguments)
{
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
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    return folder + QStringLiteral("/quillo.socket");
}

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
            // A command may run a nested event loop (a translation waits in one), in which this
            // socket can close and go; it runs after the socket's handler has returned.
            QTimer::singleShot(0, this, [this, command] { emit commandReceived(command); });
        });
    }
}

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

private:
    // The caller gets its answer at once; the command (which may wait for a translation) runs after.
    void later(const char* command)
    {
        QTimer::singleShot(0, m_instance, [instance = m_instance, command] { emit instance->commandReceived(command); });
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
