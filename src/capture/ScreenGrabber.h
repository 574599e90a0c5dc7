#pragma once
// The frozen picture of the screens that a region is chosen from. One grabber per platform
// behind this interface: the X server lets a program read the screen directly; Wayland does not,
// and there the desktop portal takes the screenshot for us (after asking the user, the first
// time). Both answer later, through a signal, since the portal does.
#include <QImage>
#include <QList>
#include <QObject>
#include <QRect>

#include <memory>

namespace quillo {

// One screen's picture in device pixels, and where the screen sits on the desktop in Qt's
// logical coordinates; the two differ by the scale factor, and the origin is often not (0,0).
struct ScreenPicture {
    QImage image;
    QRect geometry;
    QString screenName;
};

class ScreenGrabber : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    // Takes the picture; grabbed or failed follows once.
    virtual void grab() = 0;

signals:
    void grabbed(const QList<quillo::ScreenPicture>& screens);
    void failed(const QString& reason);
};

// The X11 grab on an X server, the portal on Wayland (and wherever QUILLO_SCREENSHOT=portal).
std::unique_ptr<ScreenGrabber> CreateScreenGrabber(QObject* parent = nullptr);

} // namespace quillo
