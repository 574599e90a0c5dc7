// The main window's skins: the holder every window draws from, the three built-in skins, the
// switch from either menu and the choice kept between runs.
#include "app/SettingsStore.h"
#include "app/TMainForm.h"
#include "skins/BuiltinSkins.h"
#include "skins/CompressedStoredSkin.h"
#include "skins/SkinData.h"
#include "ui/SkinCaptions.h"
#include "ui/SkinControls.h"
#include "ui/SkinForm.h"
#include "ui/SkinTheme.h"

#include <QAction>

namespace quillo {

void TMainForm::CreateSkins()
{
    SkinData1 = new TSkinData(this);
    SkinData1->setObjectName(QStringLiteral("SkinData1"));
    SkinData1->setResourceStrData(&SimpleChina());
    UseSkinData(SkinData1);
    CompressedStoredSkin1 = CreateBuiltinSkin(1, this);
    CompressedStoredSkin2 = CreateBuiltinSkin(2, this);
    CompressedStoredSkin3 = CreateBuiltinSkin(3, this);
    CompressedStoredSkin1->setObjectName(QStringLiteral("CompressedStoredSkin1"));
    CompressedStoredSkin2->setObjectName(QStringLiteral("CompressedStoredSkin2"));
    CompressedStoredSkin3->setObjectName(QStringLiteral("CompressedStoredSkin3"));
    // The stored choice is loaded straight away, so that start-up unpacks one skin, not two.
    const std::optional<int> face = ReadChoices(*OpenSettingsKey()).face;
    SkinData1->setCompressedStoredSkin(storedSkin(face.value_or(1)));
}

TCompressedStoredSkin* TMainForm::storedSkin(int face) const
{
    TCompressedStoredSkin* const skins[] = {CompressedStoredSkin1, CompressedStoredSkin2, CompressedStoredSkin3};
    return face >= 1 && face <= 3 ? skins[face - 1] : nullptr;
}

void TMainForm::SelectStoredSkin(int face)
{
    TCompressedStoredSkin* const skin = storedSkin(face);
    if (!skin)
        return;
    if (SkinData1->CompressedStoredSkin() != skin || SkinData1->Empty())
        SkinData1->setCompressedStoredSkin(skin);
    MarkSkinInUse(face);
}

// Both menus offer the same choice, so both mark the skin in use, whichever of them chose it:
// a menu that marked another skin would tell the user something false.
void TMainForm::MarkSkinInUse(int face)
{
    if (face < 1 || face > 3)
        return;
    QAction* const windowMenu[] = {N1, N2, N3};
    QAction* const contextMenu[] = {MenuItem2, MenuItem3, MenuItem4};
    windowMenu[face - 1]->setChecked(true);
    contextMenu[face - 1]->setChecked(true);
}

// The skin is switched and the choice written even when the chosen skin is already active: each
// switch loads the skin afresh. A skin that fails to load leaves the windows unskinned; nothing
// is reported.
void TMainForm::N1Click(QAction* sender)
{
    const int face = sender->data().toInt();
    MarkSkinInUse(face);
    if (TCompressedStoredSkin* const skin = storedSkin(face))
        SkinData1->setCompressedStoredSkin(skin);
    WriteFace(*OpenSettingsKey(), face);
}

} // namespace quillo
