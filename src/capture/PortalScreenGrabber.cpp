#include "capture/PortalScreenGrabber.h"

#include <QGuiApplication>
#include <QRandomGenerator>
#include <QScreen>
#include <QTimer>
#include <QUrl>

#ifdef QUILLO_HAVE_DBUS
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusReply>
#endif

namespace quillo {

namespace {

const char kPortalService[] = "org.freedesktop.portal.Desktop";
const char kPortalPath[] = "/org/freedesktop/portal/desktop";

QRect desktopGeometry()
{
    QRect all;
    for (QScreen* screen : QGuiApplication::screens())
        all = all.united(screen->geometry());
    return all;
}

} // namespace

QList<ScreenPicture> PortalScreenGrabber::SplitIntoScreens(const QImage& picture)
{
    QList<ScreenPicture> screens;
    const QRect desktop = desktopGeometry();
    if (picture.isNull() || desktop.isEmpty())
        return screens;
    const double scaleX = double(picture.width()) / desktop.width();
    const double scaleY = double(picture.height()) / desktop.height();
    for (QScreen* screen : QGuiApplication::screens()) {
        const QRect logical = screen->geometry().translated(-desktop.topLeft());
        const QRect device(qRound(logical.x() * scaleX), qRound(logical.y() * scaleY), qRound(logical.width() * scaleX),
                           qRound(logical.height() * scaleY));
        screens.append({picture.copy(device), screen->geometry(), screen->name()});
    }
    return screens;
}

void PortalScreenGrabber::grab()
{
#ifdef QUILLO_HAVE_DBUS
    QDBusConnection bus = QDBusConnection::sessionBus();
    // The Request object's path is known before the call, so the answer cannot arrive before
    // we listen for it.
    const QString token = QStringLiteral("quillo%1").arg(QRandomGenerator::global()->generate());
    const QString sender = bus.baseService().mid(1).replace(QLatin1Char('.'), QLatin1Char('_'));
    m_requestPath = QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2").arg(sender, token);
    bus.connect(QString::fromLatin1(kPortalService), m_requestPath, QStringLiteral("org.freedesktop.portal.Request"),
                QStringLiteral("Response"), this, SLOT(onResponse(uint, QVariantMap)));
    QDBusMessage call = QDBusMessage::createMethodCall(QString::fromLatin1(kPortalService), QString::fromLatin1(kPortalPath),
                                                       QStringLiteral("org.freedesktop.portal.Screenshot"),
                                                       QStringLiteral("Screenshot"));
    call << QString() << QVariantMap{{QStringLiteral("handle_token"), token}, {QStringLiteral("interactive"), false}};
    const QDBusMessage reply = bus.call(call, QDBus::Block, 5000);
    if (reply.type() == QDBusMessage::ErrorMessage) {
        const QString reason = QStringLiteral("The desktop portal took no screenshot: %1").arg(reply.errorMessage());
        QTimer::singleShot(0, this, [this, reason] { emit failed(reason); });
    }
#else
    QTimer::singleShot(0, this, [this] { emit failed(QStringLiteral("This build has no D-Bus for the desktop portal")); });
#endif
}

void PortalScreenGrabber::onResponse(uint response, const QVariantMap& results)
{
#ifdef QUILLO_HAVE_DBUS
    QDBusConnection::sessionBus().disconnect(QString::fromLatin1(kPortalService), m_requestPath,
                                             QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Response"),
                                             this, SLOT(onResponse(uint, QVariantMap)));
#endif
    // 0 is success, 1 the user cancelled, 2 anything else.
    if (response != 0) {
        emit failed(response == 1 ? QStringLiteral("The screenshot was cancelled") : QStringLiteral("The desktop portal took no screenshot"));
        return;
    }
    const QUrl uri(results.value(QStringLiteral("uri")).toString());
    const QImage picture(uri.toLocalFile());
    const QList<ScreenPicture> screens = SplitIntoScreens(picture);
    if (screens.isEmpty())
        emit failed(QStringLiteral("The screenshot %1 could not be read").arg(uri.toString()));
    else
        emit grabbed(screens);
}

} // namespace quillo
