#pragma once
// The user's choices about the program's life on the desktop, as the settings dialog edits them.
#include <QKeySequence>
#include <QString>
#include <QStringList>

namespace quillo {

struct DesktopChoices
{
    QKeySequence hotkey{QStringLiteral("Ctrl+Alt+T")};
    bool closeToTray = false; // closing the main window ends the program unless chosen
    bool speech = true;
    bool history = true;
    // Text read off the screen: its key, the languages it is read in (the program's codes,
    // comma-separated), and whether it is translated at once or first waits in the main window's
    // source box to be corrected.
    QKeySequence ocrHotkey{QStringLiteral("Ctrl+Alt+O")};
    QString ocrLanguages{QStringLiteral("zh,en")};
    bool ocrTranslateAtOnce = true;
    // The engines the popup shows (the server's ids), in this order; empty: every engine that
    // serves the pair, a dictionary first for a word.
    QStringList popupEngines{};
    // The selection replaced by its translation: its key, and the engine by the server's id
    // (empty, or an id the server does not have: the popup's first engine for the pair).
    QKeySequence replaceHotkey{QStringLiteral("Ctrl+Alt+R")};
    QString replaceEngine{};

    friend bool operator==(const DesktopChoices&, const DesktopChoices&) = default;
};

} // namespace quillo
