#include "capture/RegionCapture.h"

#include "capture/RegionOverlay.h"

#include <QCursor>

namespace quillo {

RegionCapture::RegionCapture(std::unique_ptr<ScreenGrabber> grabber, QObject* parent)
    : QObject(parent)
    , m_grabber(grabber ? std::move(grabber) : CreateScreenGrabber())
{
    connect(m_grabber.get(), &ScreenGrabber::grabbed, this, &RegionCapture::showOverlays);
    connect(m_grabber.get(), &ScreenGrabber::failed, this, [this](const QString& reason) {
        m_active = false;
        emit failed(reason);
    });
}

RegionCapture::~RegionCapture()
{
    finish();
}

void RegionCapture::start()
{
    if (m_active)
        return;
    m_active = true;
    m_grabber->grab();
}

QList<RegionOverlay*> RegionCapture::overlays() const
{
    QList<RegionOverlay*> shown;
    for (const QPointer<RegionOverlay>& overlay : m_overlays)
        if (overlay)
            shown.append(overlay);
    return shown;
}

void RegionCapture::showOverlays(const QList<ScreenPicture>& screens)
{
    for (const ScreenPicture& screen : screens) {
        auto* overlay = new RegionOverlay(screen);
        connect(overlay, &RegionOverlay::regionChosen, this, [this](const QImage& picture) {
            finish();
            emit regionChosen(picture);
        });
        connect(overlay, &RegionOverlay::cancelled, this, [this] {
            finish();
            emit cancelled();
        });
        m_overlays.append(overlay);
        overlay->show();
    }
    // The keyboard goes to the overlay under the pointer, so that Escape works at once.
    for (RegionOverlay* overlay : overlays())
        if (overlay->geometry().contains(QCursor::pos())) {
            overlay->activateWindow();
            overlay->setFocus();
        }
}

void RegionCapture::finish()
{
    for (RegionOverlay* overlay : overlays())
        overlay->close();
    m_overlays.clear();
    m_active = false;
}

} // namespace quillo
