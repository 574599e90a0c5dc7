#pragma once
#include <QString>

namespace quillo {

// What the user has selected: the X11 primary selection where the desktop has one and it holds
// text, else the clipboard. Blanks around it are dropped.
QString CurrentSelectionText();
// The X11 primary selection alone (the text selected now, never the clipboard); empty where the
// desktop has none.
QString PrimarySelectionText();

} // namespace quillo
