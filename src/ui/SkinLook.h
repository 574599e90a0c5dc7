#pragma once
// The one place where the skinned controls get their look. Every control of every window calls
// ApplySkinLook from its constructor with the skin entry it draws with ("button", "memo", ...),
// which it also keeps as the property "SkinDataName". Until a drawn skin is installed the
// controls look like the platform's own; the skin layer installs a hook (and may set a QStyle on
// the application that targets the controls by class, object name or SkinDataName).
#include <QFont>
#include <functional>

class QMenu;
class QWidget;

namespace quillo {

using SkinLookHook = std::function<void(QWidget* control, const char* skinDataName)>;

// Installs the hook that every control created afterwards runs. Controls that exist already are
// found through QApplication::allWidgets() and their "SkinDataName" property.
void SetSkinLookHook(SkinLookHook hook);

void ApplySkinLook(QWidget* control, const char* skinDataName);

// "宋体" at the given pixel size, falling back to a Song (serif) CJK face present on the machine.
// Bold is drawn from the regular face, as Windows does for Song faces that ship without a bold
// one; it also spares opening a second font file of several megabytes.
QFont SongFont(int pixelSize, bool bold = false);
// Whether a face name from a skin means the Song face.
bool IsSongFace(const QString& name);

// Gives the standard edit menu of a text control the captions of the caption table.
void LocalizeEditMenu(QMenu* menu);

// How long a hint stays on screen, for `root` and every control under it.
void SetHintHidePause(QWidget* root, int milliseconds);

} // namespace quillo
