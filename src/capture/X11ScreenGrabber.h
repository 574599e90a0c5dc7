#pragma once
#include "capture/ScreenGrabber.h"

namespace quillo {

// Reads every screen's pixels through Qt's platform plugin (the root window on X11), at the
// screen's own resolution.
class X11ScreenGrabber : public ScreenGrabber {
    Q_OBJECT
public:
    using ScreenGrabber::ScreenGrabber;
    void grab() override;
};

} // namespace quillo
