#pragma once
// Main windows with the program's skinned frames, and what to expect of a skin's pictures.
#include "MainFormFixture.h"
#include "skins/BuiltinSkins.h"
#include "skins/CompressedStoredSkin.h"
#include "skins/SkinContents.h"
#include "skins/SkinData.h"
#include "ui/SkinForm.h"
#include "ui/SkinTheme.h"

#include <QImage>

namespace quillo::test {

class SkinnedMainFormTest : public MainFormTest
{
protected:
    void SetUp() override
    {
        MainFormTest::SetUp();
        EnableSkinnedFrames(true);
    }
    void TearDown() override
    {
        EnableSkinnedFrames(false);
        MainFormTest::TearDown();
    }
};

inline QString BuiltinSkinName(int number)
{
    return UnpackSkin(BuiltinSkinData(number)).contents.skinName;
}

// The colour the frame shows near the top of its caption bar, as drawn and as the skin has it.
inline QColor DrawnCaptionColour(QWidget& window)
{
    return window.grab().toImage().pixelColor(window.width() / 2, 3);
}

inline QColor SkinCaptionColour(const TSkinData& holder, bool active)
{
    const QImage& picture = active || holder.InactivePicture().isNull() ? holder.Picture() : holder.InactivePicture();
    return picture.pixelColor(picture.width() / 2, 3);
}

} // namespace quillo::test
