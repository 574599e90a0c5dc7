#pragma once
// The desktop choices kept beside the main window's in the settings key: "Hotkey" (the key as
// portable text, empty for none), "CloseToTray", "Speech" and "History" (1 or 0).
#include "desktop/DesktopChoices.h"

#include <QSettings>

namespace quillo {

// Missing or unreadable values take their defaults.
DesktopChoices ReadDesktopChoices(const QSettings& key);
void WriteDesktopChoices(QSettings& key, const DesktopChoices& choices);

} // namespace quillo
