#pragma once
// For the start-up benchmark: when QUILLO_STARTUP_PROBE is set, the first paint of the watched
// window prints one line on standard output and ends the program at once, without closing the
// window (so nothing is written to the settings):
//
//   first-paint <monotonic clock ns> <CPU time of the process so far, µs> <RSS kB> <PSS kB>
//
// The CPU time counts every thread of the process (user and system), not its children; RSS and
// PSS are those of the moment of the first paint. bench/startup's bare baseline uses this probe
// too, so both sides report the same way. With QUILLO_STARTUP_SMAPS=FILE it also copies
// /proc/self/smaps of that moment to FILE.
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
