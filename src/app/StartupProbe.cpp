#include "app/StartupProbe.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <chrono>
#include <cstdio>

namespace quillo {

StartupProbe::StartupProbe(QWidget* window)
    : QObject(window)
    , m_armed(qEnvironmentVariableIsSet("QUILLO_STARTUP_PROBE"))
{
    if (m_armed)
        window->installEventFilter(this);
}

bool StartupProbe::eventFilter(QObject* watched, QEvent* event)
{
    if (m_armed && event->type() == QEvent::Paint) {
        m_armed = false;
        // Report once the paint has gone through, so the time covers the drawing itself.
        QTimer::singleShot(0, this, [] {
            // steady_clock is CLOCK_MONOTONIC on Linux, the clock the benchmark reads before starting us.
            const auto now = std::chrono::steady_clock::now().time_since_epoch();
            std::printf("first-paint %lld\n",
                        static_cast<long long>(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()));
            std::fflush(stdout);
            QCoreApplication::exit(0);
        });
    }
    return QObject::eventFilter(watched, event);
}

} // namespace quillo
