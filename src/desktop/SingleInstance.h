#pragma once
// One running program per user session. The first instance listens on a local socket in the
// user's runtime folder; a later one connects, hands over its command line's command and ends,
// so a desktop shortcut bound to `quillo --translate-selection` reaches the running program.
// The socket lives only in a folder private to the user, and a command goes only to a peer that
// runs as the same user: another user's listener must never receive it or make this start end.
// The D-Bus name offers the same commands to desktops that bind shortcuts to D-Bus calls.
//
// Elsewhere than on Windows the socket is a plain Unix-domain socket watched by the event loop:
// Qt's local sockets would bring Qt Network, and the Kerberos and proxy libraries it links, into
// every start of the program before its window could show.
#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

#ifdef Q_OS_WIN
class QLocalServer;
#endif

namespace quillo {

// Commands a later start hands over: its window to the front, or the selection translated.
inline constexpr char kShowCommand[] = "show";
inline constexpr char kTranslateSelectionCommand[] = "translate-selection";
// A screen region's text read and translated.
inline constexpr char kReadScreenRegionCommand[] = "ocr-region";
// The selection of the focused program replaced by its translation.
inline constexpr char kReplaceSelectionCommand[] = "replace-selection";

// The command a command line asks for.
QByteArray CommandOfArguments(const QStringList& arguments);

class SingleInstance : public QObject
{
    Q_OBJECT
public:
    // The socket in the user's runtime folder unless a test names another; empty when there is no
    // usable runtime folder.
    explicit SingleInstance(QString socketPath = DefaultSocketPath(), QObject* parent = nullptr);
    // Stops listening; the socket goes with it.
    ~SingleInstance() override;

    static QString DefaultSocketPath();

    // True when a running instance of this user took `command`: this one should end.
    bool handOver(const QByteArray& command);
    // Becomes the running instance; a socket left by a crashed one is replaced. False, with a
    // warning, when the socket's folder is missing and cannot be made, or is not private.
    bool listen();
    // Hands `command` on through commandReceived once the current handler has returned (a command
    // may run a nested event loop, in which its socket can close and go). Until something takes
    // the signal, commands wait: the program's desktop services start after its first frame,
    // while a later start may hand its command over as soon as this one listens.
    void deliver(const QByteArray& command);

signals:
    void commandReceived(const QByteArray& command);

protected:
    void connectNotify(const QMetaMethod& signal) override;

private:
    bool commandTaken() const;
    void deliverWaiting();

#ifdef Q_OS_WIN
    void readCommand();
#else
    void acceptConnections();
    void serve(int connection);
#endif

    QString m_socketPath;
    QList<QByteArray> m_waiting;
#ifdef Q_OS_WIN
    QLocalServer* m_server = nullptr;
#else
    int m_listener = -1;
#endif
};

// Registers the session-bus name "org.quillo.Quillo" with the methods TranslateSelection,
// ReplaceSelection, ReadScreenRegion and ShowWindow on "/Quillo", forwarding them to `instance` as commands. False without a session bus.
bool OfferCommandsOnSessionBus(SingleInstance* instance);

} // namespace quillo
