#pragma once
// For the start-up benchmark: when QUILLO_STARTUP_PROBE is set, the first paint of the watched
// window prints "first-paint <monotonic clock in nanoseconds>" on standard output and ends the
// program at once, without closing the window (so nothing is written to the settings).
#include <QObject>

class QWidget;

namespace quillo {

class StartupProbe : public QObject
{
    Q_OBJECT
public:
    explicit StartupProbe(QWidget* window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool m_armed = false;
};

} // namespace quillo
