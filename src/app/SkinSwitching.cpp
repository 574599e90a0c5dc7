// The main window's skins: the holder every window draws from, the three built-in skins, the
// switch from either menu and the choice kept between runs.
#include "app/MainWindow.h"
#include "session/SettingsStore.h"
#include "skins/BuiltinSkins.h"
#include "skins/CompressedStoredSkin.h"
#include "skins/SkinData.h"
#include "ui/SkinCaptions.h"
#include "ui/SkinControls.h"
#include "ui/SkinForm.h"
#include "ui/SkinTheme.h"

#include <QAction>

namespace quillo {

void MainWindow::createSkins()
{
    skinData = new TSkinData(this);
    skinData->setObjectName(QStringLiteral("SkinData1"));
    skinData->setResourceStrData(&SimpleChina());
    UseSkinData(skinData);
    for (int face = 1; face <= 3; ++face) {
        builtinSkins[face - 1] = CreateBuiltinSkin(face, this);
        builtinSkins[face - 1]->setObjectName(QStringLiteral("CompressedStoredSkin%1").arg(face));
    }
    // The stored choice is loaded straight away, so that start-up unpacks one skin, not two.
    const std::optional<int> face = ReadChoices(*OpenSettingsKey()).face;
    skinData->setCompressedStoredSkin(storedSkin(face.value_or(1)));
}

TCompressedStoredSkin* MainWindow::storedSkin(int face) const
{
    return face >= 1 && face <= 3 ? builtinSkins[face - 1] : nullptr;
}

void MainWindow::selectStoredSkin(int face)
{
    TCompressedStoredSkin* const skin = storedSkin(face);
    if (!skin)
        return;
    if (skinData->CompressedStoredSkin() != skin || skinData->Empty())
        skinData->setCompressedStoredSkin(skin);
    markSkinInUse(face);
}

// Both menus offer the same choice, so both mark the skin in use, whichever of them chose it:
// a menu that marked another skin would tell the user something false.
void MainWindow::markSkinInUse(int face)
{
    if (face < 1 || face > 3)
        return;
    windowSkinItems[face - 1]->setChecked(true);
    contextSkinItems[face - 1]->setChecked(true);
}

// The skin is switched and the choice written even when the chosen skin is already active: each
// switch loads the skin afresh. A skin that fails to load leaves the windows unskinned; nothing
// is reported.
void MainWindow::onSkinChosen(QAction* sender)
{
    const int face = sender->data().toInt();
    markSkinInUse(face);
    if (TCompressedStoredSkin* const skin = storedSkin(face))
        skinData->setCompressedStoredSkin(skin);
    WriteFace(*OpenSettingsKey(), face);
}

} // namespace quillo
