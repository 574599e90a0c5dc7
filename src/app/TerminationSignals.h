#pragma once
// SIGTERM (the session ending), SIGINT (Ctrl+C in the terminal that started the program) and
// SIGHUP (that terminal closing) end the program the way closing its windows does: the choices are
// written and the own server is left (ServiceLauncher), rather than the process vanishing and the
// server running on for nobody. A second signal of the same kind ends the program at once, for
// when the orderly way hangs.
#include <QObject>

class QSocketNotifier;

namespace quillo {

class TerminationSignals : public QObject
{
public:
    explicit TerminationSignals(QObject* parent = nullptr);

private:
    void closeEverything();

    QSocketNotifier* m_notifier = nullptr;
};

} // namespace quillo
