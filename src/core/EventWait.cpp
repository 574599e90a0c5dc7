#include "core/EventWait.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

namespace quillo {

void WaitWithMessages(int milliseconds)
{
    QElapsedTimer clock;
    clock.start();
    QEventLoop loop;
    QTimer wake;
    wake.setSingleShot(true);
    bool woken = false;
    QObject::connect(&wake, &QTimer::timeout, &loop, [&] {
        woken = true;
        loop.quit();
    });
    // A timer may fire a little early; wait again for what is left. A loop that ends without our
    // timer was told to by the application quitting, and waiting on would only spin.
    while (clock.elapsed() < milliseconds) {
        woken = false;
        wake.start(static_cast<int>(milliseconds - clock.elapsed()));
        loop.exec();
        if (!woken)
            return;
    }
}

} // namespace quillo
