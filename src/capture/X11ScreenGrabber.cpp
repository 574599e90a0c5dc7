#include "capture/X11ScreenGrabber.h"

#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <QTimer>

namespace quillo {

void X11ScreenGrabber::grab()
{
    QList<ScreenPicture> screens;
    for (QScreen* screen : QGuiApplication::screens()) {
        // Window 0 is the whole screen; the pixmap comes in device pixels.
        const QImage image = screen->grabWindow(0).toImage();
        if (!image.isNull())
            screens.append({image, screen->geometry(), screen->name()});
    }
    // Answered from the loop, like the portal, so callers see one order of events.
    QTimer::singleShot(0, this, [this, screens] {
        if (screens.isEmpty())
            emit failed(QStringLiteral("The screen could not be read"));
        else
            emit grabbed(screens);
    });
}

} // namespace quillo
