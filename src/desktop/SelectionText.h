#pragma once
#include <QString>

namespace quillo {

// What the user has selected: the X11 primary selection where the desktop has one and it holds
// text, else the clipboard. Blanks around it are dropped.
QString CurrentSelectionText();

} // namespace quillo
