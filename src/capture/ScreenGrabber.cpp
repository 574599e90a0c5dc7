#include "capture/ScreenGrabber.h"

#include "capture/PortalScreenGrabber.h"
#include "capture/X11ScreenGrabber.h"

#include <QGuiApplication>

namespace quillo {

std::unique_ptr<ScreenGrabber> CreateScreenGrabber(QObject* parent)
{
    const bool portal = QGuiApplication::platformName() == QLatin1String("wayland")
                     || qEnvironmentVariable("QUILLO_SCREENSHOT") == QLatin1String("portal");
    if (portal)
        return std::make_unique<PortalScreenGrabber>(parent);
    return std::make_unique<X11ScreenGrabber>(parent);
}

} // namespace quillo
