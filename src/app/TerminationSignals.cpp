#include "app/TerminationSignals.h"

#include <QApplication>
#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace quillo {

namespace {

// The handler may only do what is safe in a signal handler: write one byte for the loop to see.
int wakeUp[2] = {-1, -1};

void noteSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(wakeUp[0], &byte, 1);
}

} // namespace

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, wakeUp) != 0)
        return;
    m_notifier = new QSocketNotifier(wakeUp[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &TerminationSignals::closeEverything);
    struct sigaction action = {};
    action.sa_handler = noteSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    for (int number : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(number, &action, nullptr);
}

void TerminationSignals::closeEverything()
{
    char byte = 0;
    [[maybe_unused]] const ssize_t drained = ::read(wakeUp[1], &byte, 1);
    // Closing runs each window's close handler (the main window writes the choices); quitting then
    // also ends a modal window's loop, should one refuse to close.
    QApplication::closeAllWindows();
    QCoreApplication::quit();
}

} // namespace quillo
