#pragma once
#include "capture/ScreenGrabber.h"

namespace quillo {

// org.freedesktop.portal.Screenshot: the portal writes the whole desktop to a file and answers
// on a Request object with its address. The one picture is cut into the screens by their place
// on the desktop, scaled to the picture's own resolution.
class PortalScreenGrabber : public ScreenGrabber {
    Q_OBJECT
public:
    using ScreenGrabber::ScreenGrabber;
    void grab() override;

    // The screens' pieces of a whole-desktop `picture`.
    static QList<ScreenPicture> SplitIntoScreens(const QImage& picture);

private slots:
    void onResponse(uint response, const QVariantMap& results);

private:
    QString m_requestPath;
};

} // namespace quillo
