#include "desktop/PortalShortcuts.h"

#include <QRandomGenerator>
#include <QTimer>

#ifdef QUILLO_HAVE_DBUS
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusPendingCallWatcher>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QDBusVariant>
#endif

namespace quillo {

QString PortalTrigger(const QKeySequence& keys)
{
    if (keys.isEmpty())
        return {};
    const QKeyCombination chord = keys[0];
    QStringList parts;
    const Qt::KeyboardModifiers modifiers = chord.keyboardModifiers();
    if (modifiers & Qt::ControlModifier)
        parts << QStringLiteral("CTRL");
    if (modifiers & Qt::AltModifier)
        parts << QStringLiteral("ALT");
    if (modifiers & Qt::ShiftModifier)
        parts << QStringLiteral("SHIFT");
    if (modifiers & Qt::MetaModifier)
        parts << QStringLiteral("LOGO");
    // The key by its keysym name: lower-case letters and digits, F1… as they are.
    const QString key = QKeySequence(chord.key()).toString(QKeySequence::PortableText);
    if (key.isEmpty())
        return {};
    parts << (key.size() == 1 ? key.toLower() : key);
    return parts.join(u'+');
}

#ifdef QUILLO_HAVE_DBUS
namespace {

const char kPortalService[] = "org.freedesktop.portal.Desktop";
const char kPortalPath[] = "/org/freedesktop/portal/desktop";
const char kInterface[] = "org.freedesktop.portal.GlobalShortcuts";
const char kRequestInterface[] = "org.freedesktop.portal.Request";
// Nothing waits on a call, so a portal started on demand by the bus is given D-Bus's usual time.
constexpr int kCallTimeoutMs = 25000;

// One key of BindShortcuts' a(sa{sv}).
struct BoundShortcut
{
    QString id;
    QVariantMap properties;
};

QDBusArgument& operator<<(QDBusArgument& argument, const BoundShortcut& shortcut)
{
    argument.beginStructure();
    argument << shortcut.id << shortcut.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, BoundShortcut& shortcut)
{
    argument.beginStructure();
    argument >> shortcut.id >> shortcut.properties;
    argument.endStructure();
    return argument;
}

QString newToken()
{
    return QStringLiteral("quillo%1").arg(QRandomGenerator::global()->generate());
}

} // namespace
} // namespace quillo

Q_DECLARE_METATYPE(quillo::BoundShortcut)

namespace quillo {

PortalShortcuts::PortalShortcuts(QObject* parent)
    : QObject(parent)
{
    qDBusRegisterMetaType<BoundShortcut>();
    qDBusRegisterMetaType<QList<BoundShortcut>>();
    QDBusConnection::sessionBus().connect(QString::fromLatin1(kPortalService), QString::fromLatin1(kPortalPath),
                                          QString::fromLatin1(kInterface), QStringLiteral("Activated"), this,
                                          SLOT(onActivated(QDBusMessage)));
}

void PortalShortcuts::check()
{
    if (m_state == State::Checking)
        return;
    m_state = State::Checking;
    QDBusMessage get = QDBusMessage::createMethodCall(QString::fromLatin1(kPortalService), QString::fromLatin1(kPortalPath),
                                                      QStringLiteral("org.freedesktop.DBus.Properties"),
                                                      QStringLiteral("Get"));
    get << QString::fromLatin1(kInterface) << QStringLiteral("version");
    auto* watcher = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(get, kCallTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* answer) {
        answer->deleteLater();
        m_state = answer->isError() ? State::Missing : State::Available;
        emit checked(available());
        if (available() && !m_pending.isEmpty())
            bind(m_pending);
    });
}

void PortalShortcuts::bind(const QList<PortalShortcut>& shortcuts)
{
    m_pending = shortcuts;
    if (!available())
        return;
    if (!m_session.isEmpty())
        bindPending();
    else if (!m_creating)
        createSession();
}

void PortalShortcuts::callWithRequest(const QString& method, const QList<QVariant>& arguments, const char* slot)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    // The Request's path is known before the call (the token is ours), so its answer cannot come
    // before we listen; the last argument is the options, which carry the token.
    const QString token = newToken();
    const QString sender = bus.baseService().mid(1).replace(u'.', u'_');
    const QString requestPath = QStringLiteral("%1/request/%2/%3").arg(QString::fromLatin1(kPortalPath), sender, token);
    bus.connect(QString::fromLatin1(kPortalService), requestPath, QString::fromLatin1(kRequestInterface),
                QStringLiteral("Response"), this, slot);
    QList<QVariant> withToken = arguments;
    QVariantMap options = withToken.takeLast().toMap();
    options.insert(QStringLiteral("handle_token"), token);
    withToken.append(options);
    QDBusMessage call = QDBusMessage::createMethodCall(QString::fromLatin1(kPortalService), QString::fromLatin1(kPortalPath),
                                                       QString::fromLatin1(kInterface), method);
    call.setArguments(withToken);
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, kCallTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, method, requestPath, slot](QDBusPendingCallWatcher* answer) {
        answer->deleteLater();
        if (!answer->isError())
            return;
        QDBusConnection::sessionBus().disconnect(QString::fromLatin1(kPortalService), requestPath,
                                                 QString::fromLatin1(kRequestInterface), QStringLiteral("Response"), this, slot);
        // Only a session being made waits on this call; a refused one may be asked for again.
        m_creating = false;
        emit failed(QStringLiteral("The desktop portal refused %1: %2").arg(method, answer->error().message()));
    });
}

void PortalShortcuts::createSession()
{
    m_creating = true;
    callWithRequest(QStringLiteral("CreateSession"), {QVariantMap{{QStringLiteral("session_handle_token"), newToken()}}},
                    SLOT(onSessionCreated(uint, QVariantMap)));
}

void PortalShortcuts::onSessionCreated(uint response, const QVariantMap& results)
{
    m_creating = false;
    m_session = response == 0 ? results.value(QStringLiteral("session_handle")).toString() : QString();
    if (m_session.isEmpty()) {
        emit failed(QStringLiteral("The desktop portal opened no shortcut session"));
        return;
    }
    bindPending();
}

void PortalShortcuts::bindPending()
{
    QList<BoundShortcut> shortcuts;
    for (const PortalShortcut& shortcut : std::as_const(m_pending)) {
        QVariantMap properties{{QStringLiteral("description"), shortcut.description}};
        if (const QString trigger = PortalTrigger(shortcut.preferredKeys); !trigger.isEmpty())
            properties.insert(QStringLiteral("preferred_trigger"), trigger);
        shortcuts.append({shortcut.id, properties});
    }
    callWithRequest(QStringLiteral("BindShortcuts"),
                    {QVariant::fromValue(QDBusObjectPath(m_session)), QVariant::fromValue(shortcuts), QString(), QVariantMap()},
                    SLOT(onShortcutsBound(uint, QVariantMap)));
}

void PortalShortcuts::onShortcutsBound(uint response, const QVariantMap&)
{
    // 1: the user declined in the desktop's dialog.
    if (response == 0)
        emit bound();
    else
        emit failed(QStringLiteral("The desktop bound no shortcut"));
}

void PortalShortcuts::onActivated(const QDBusMessage& message)
{
    const QList<QVariant> arguments = message.arguments();
    if (arguments.size() < 2 || qvariant_cast<QDBusObjectPath>(arguments.at(0)).path() != m_session || m_session.isEmpty())
        return;
    emit activated(arguments.at(1).toString());
}
#else
PortalShortcuts::PortalShortcuts(QObject* parent)
    : QObject(parent)
{
}

void PortalShortcuts::check()
{
    m_state = State::Missing;
    QTimer::singleShot(0, this, [this] { emit checked(false); });
}

// Without D-Bus no portal is ever there to bind to.
void PortalShortcuts::bind(const QList<PortalShortcut>& shortcuts)
{
    m_pending = shortcuts;
}

void PortalShortcuts::onSessionCreated(uint, const QVariantMap&) {}
void PortalShortcuts::onShortcutsBound(uint, const QVariantMap&) {}
#endif

} // namespace quillo
