#pragma once
// What counts as activity for the wait interval of a waiting Read.
//
// The interval restarts whenever the GUI thread handles something, so that a user who is busy
// with the window keeps a slow request alive. Caret blinking and the animated busy cursor are not
// such activity: on the platform the program was made for, the system animates both without a
// single message to the program, but Qt drives them with timers. Were their timer events counted,
// a stalled request could never run out of time while the caret blinks in the source box.
#include <QObject>

class QEvent;

namespace quillo {

// Marks an object (typically a QTimer) whose events animate the screen on their own.
void MarkAmbient(QObject* object);

// True when handling this event shows that something happened: input, a worker's hand-over, an
// ordinary timer; false for repaints and the timers of carets and marked objects.
bool IsWaitActivity(QObject* receiver, const QEvent* event);

} // namespace quillo
