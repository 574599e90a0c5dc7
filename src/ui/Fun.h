#pragma once
// Routines every window shares.
#include <QString>

class QWidget;

namespace quillo {

// Asks the desktop to open an address (a web page in the default browser). The outcome is not
// reported: the callers have nothing to do about a desktop without a browser.
void ShellOpen(const QString& address);

// Places a window centred over another (its owner), or over the screen when there is none,
// within reach as KeepWithinReach says. Called from the window's show event, once its size
// (frame included) is final.
void CentreOver(QWidget* window, const QWidget* owner);

// Keeps a window's caption and buttons within reach: a window larger than the free area of its
// screen (the one under its centre, else its own) shrinks to that area, as far as its minimum
// size allows, and one that reaches past the area moves back into it, top-left corner first.
void KeepWithinReach(QWidget* window);

} // namespace quillo
