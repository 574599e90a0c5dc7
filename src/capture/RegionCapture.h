#pragma once
// One choice of a screen region: the screens are frozen by the platform's grabber, an overlay
// covers each of them, and the first rectangle dragged on any (or Escape on any) ends it.
#include "capture/ScreenGrabber.h"

#include <QImage>
#include <QObject>
#include <QPointer>

namespace quillo {

class RegionOverlay;

class RegionCapture : public QObject {
    Q_OBJECT
public:
    // Takes `grabber`, or the platform's own when none is given.
    explicit RegionCapture(std::unique_ptr<ScreenGrabber> grabber = nullptr, QObject* parent = nullptr);
    ~RegionCapture() override;

    // Freezes the screens and shows the overlays; ignored while a choice is open.
    void start();
    bool active() const { return m_active; }
    // The overlays on the screen now, one per screen.
    QList<RegionOverlay*> overlays() const;

signals:
    void regionChosen(const QImage& picture);
    void cancelled();
    void failed(const QString& reason);

private:
    void showOverlays(const QList<ScreenPicture>& screens);
    void finish();

    std::unique_ptr<ScreenGrabber> m_grabber;
    QList<QPointer<RegionOverlay>> m_overlays;
    bool m_active = false;
};

} // namespace quillo
