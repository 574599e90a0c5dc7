#pragma once
// Routines every window shares.
#include <QString>

class QWidget;

namespace quillo {

// The program's version text, "16".
QString ProgramVersion();

// "Quillo翻译软件": the title of the application, also the caption of custom message boxes.
QString ApplicationTitle();

// Pauses for at least `milliseconds` while the application keeps handling its events, so the
// windows stay responsive; ends with the first event handled after the time is up.
void WaitWithMessages(int milliseconds);

// Size of the named file in bytes; 0 for a directory; -1 when nothing of that name exists.
qint64 FileSizeByName(const QString& fileName);

// Asks the desktop to open an address (a web page in the default browser). The outcome is not
// reported: the callers have nothing to do about a desktop without a browser.
void ShellOpen(const QString& address);

// Places a window centred over another (its owner), or over the screen when there is none.
// Called from the window's show event, once its size (frame included) is final.
void CentreOver(QWidget* window, const QWidget* owner);

} // namespace quillo
