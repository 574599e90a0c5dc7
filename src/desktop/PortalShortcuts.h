#pragma once
// Desktop-wide keys through the desktop portal's GlobalShortcuts interface, for Wayland, where no
// program may grab a key itself. One session holds the program's keys: it is created once, the
// keys are bound to it (the desktop asks the user the first time, and may give other keys than
// those preferred), and the portal then reports each press by the key's id.
//
// Nothing here waits for the portal: a portal that answers late (or never, until D-Bus gives up)
// must not hold up the program's start, so every call is sent and its answer handled when it comes.
#include <QKeySequence>
#include <QList>
#include <QObject>
#include <QString>

#ifdef QUILLO_HAVE_DBUS
#include <QDBusMessage>
#endif

namespace quillo {

struct PortalShortcut
{
    QString id;
    QString description;
    QKeySequence preferredKeys;
};

class PortalShortcuts : public QObject
{
    Q_OBJECT
public:
    explicit PortalShortcuts(QObject* parent = nullptr);

    // Asks the session bus whether a desktop portal offers GlobalShortcuts; checked() answers.
    void check();
    // Whether the portal said it offers them; false until it has.
    bool available() const { return m_state == State::Available; }

    // Creates the session where there is none yet, and binds `shortcuts` to it; before the
    // portal has said it offers them, once it has.
    void bind(const QList<PortalShortcut>& shortcuts);
    QString sessionHandle() const { return m_session; }

signals:
    void checked(bool available);
    void bound();
    void failed(const QString& reason);
    void activated(const QString& id);

private slots:
    void onSessionCreated(uint response, const QVariantMap& results);
    void onShortcutsBound(uint response, const QVariantMap& results);
#ifdef QUILLO_HAVE_DBUS
    void onActivated(const QDBusMessage& message);
#endif

private:
    void createSession();
    void bindPending();
    // Calls a method of the portal that answers on a Request object, whose Response goes to `slot`.
    void callWithRequest(const QString& method, const QList<QVariant>& arguments, const char* slot);

    enum class State { Unknown, Checking, Available, Missing };
    State m_state = State::Unknown;
    QString m_session;
    QList<PortalShortcut> m_pending;
    bool m_creating = false;
};

// A key as the portal's preferred trigger names it ("CTRL+ALT+r"); empty when it cannot be said.
QString PortalTrigger(const QKeySequence& keys);

} // namespace quillo
