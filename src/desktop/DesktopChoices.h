#pragma once
// The user's choices about the program's life on the desktop, as the settings dialog edits them.
#include <QKeySequence>

namespace quillo {

struct DesktopChoices
{
    QKeySequence hotkey{QStringLiteral("Ctrl+Alt+T")};
    bool closeToTray = false; // closing the main window ends the program unless chosen
    bool speech = true;
    bool history = true;

    friend bool operator==(const DesktopChoices&, const DesktopChoices&) = default;
};

} // namespace quillo
