#include "SkinningFixture.h"
#include "ui/SkinControls.h"
#include "ui/SkinLook.h"
#include "ui/SkinStyle.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QSignalSpy>

using namespace quillo;
using quillo::test::SkinnedMainFormTest;

namespace {

QString activeSkinName(const MainWindow& form)
{
    return form.skinData->Empty() ? QString() : form.skinData->SkinName();
}

bool isSkinned()
{
    const auto* style = qobject_cast<const SkinStyle*>(QApplication::style());
    return style && style->skinned();
}

// A side window as the commands open them: a dialog in the skinned look with a control or two.
std::unique_ptr<QDialog> openSideWindow()
{
    auto window = std::make_unique<QDialog>();
    ApplySkinLook(window.get(), "form");
    new TSkinButton(QStringLiteral("SkinButton1"), QStringLiteral("开始"), window.get());
    SetClientSize(window.get(), QSize(300, 120));
    window->show();
    return window;
}

} // namespace

TEST_F(SkinnedMainFormTest, TheStoredFaceChoosesTheSkinAtStartAndBothMenusMarkIt)
{
    const struct
    {
        QVariant face;  // invalid: no value stored
        int skin;
    } cases[] = {{QVariant(), 1}, {0, 1}, {4, 1}, {3, 3}, {2, 2}, {QStringLiteral("blue"), 1}};
    for (const auto& c : cases) {
        if (c.face.isValid())
            store(QStringLiteral("Face"), c.face);
        else
            OpenSettingsKey()->remove(QStringLiteral("Face"));
        auto form = createForm();
        const QString label = c.face.toString();
        EXPECT_EQ(activeSkinName(*form), test::BuiltinSkinName(c.skin)) << label.toStdString();
        QAction* const windowMenu[] = {form->windowSkinItems[0], form->windowSkinItems[1], form->windowSkinItems[2]};
        QAction* const contextMenu[] = {form->contextSkinItems[0], form->contextSkinItems[1], form->contextSkinItems[2]};
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(windowMenu[i]->isChecked(), i + 1 == c.skin) << label.toStdString();
            EXPECT_EQ(contextMenu[i]->isChecked(), i + 1 == c.skin) << label.toStdString();
        }
    }
}

TEST_F(SkinnedMainFormTest, ChoosingTheSecondSkinInEitherMenuReskinsEveryOpenWindowAndKeepsTheChoice)
{
    ASSERT_NE(test::BuiltinSkinName(1), test::BuiltinSkinName(2));
    for (bool contextMenu : {true, false}) {
        OpenSettingsKey()->remove(QStringLiteral("Face"));
        auto form = showForm();
        auto side = openSideWindow();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(side.get()));
        const TSkinData& holder = *form->skinData;
        const auto captionOf = [&](QWidget& window) { return test::DrawnCaptionColour(window); };
        const auto expected = [&](QWidget& window) { return test::SkinCaptionColour(holder, window.isActiveWindow()); };
        EXPECT_EQ(captionOf(*form), expected(*form));

        const QColor skin1Caption = captionOf(*side);
        QAction* entry = contextMenu ? form->contextSkinItems[1] : form->windowSkinItems[1];
        entry->trigger();

        EXPECT_EQ(activeSkinName(*form), test::BuiltinSkinName(2));
        EXPECT_EQ(stored(QStringLiteral("Face")).toInt(), 2);
        // Both menus mark the skin in use, whichever of them chose it.
        for (QAction* marked : {form->windowSkinItems[1], form->contextSkinItems[1]})
            EXPECT_TRUE(marked->isChecked()) << marked->objectName().toStdString();
        for (QAction* unmarked : {form->windowSkinItems[0], form->contextSkinItems[0]})
            EXPECT_FALSE(unmarked->isChecked()) << unmarked->objectName().toStdString();
        for (QWidget* window : {static_cast<QWidget*>(form.get()), static_cast<QWidget*>(side.get())})
            EXPECT_EQ(captionOf(*window), expected(*window)) << window->metaObject()->className();
        EXPECT_NE(captionOf(*side), skin1Caption);
        EXPECT_EQ(QApplication::palette().color(QPalette::Highlight),
                  QColor(QLatin1Char('#') + holder.definition().value(QStringLiteral("edit"), QStringLiteral("selectioncolor"))));
    }
}

TEST_F(SkinnedMainFormTest, EverySwitchLoadsTheSkinAfreshAndAFailedOneLeavesTheWindowsUnskinned)
{
    auto form = showForm();
    QSignalSpy notices(form->skinData, &TSkinData::skinNotice);
    OpenSettingsKey()->remove(QStringLiteral("Face"));
    form->windowSkinItems[0]->trigger();
    EXPECT_EQ(notices.count(), 3) << "choosing the active skin again loads it again";
    EXPECT_EQ(stored(QStringLiteral("Face")).toInt(), 1);

    // A damaged skin: the switch goes through silently, and every window stays usable.
    form->builtinSkins[2]->setCompressedData(QByteArray("\x78\xda not a skin", 14));
    form->windowSkinItems[2]->trigger();
    EXPECT_TRUE(form->skinData->Empty());
    EXPECT_EQ(stored(QStringLiteral("Face")).toInt(), 3);
    EXPECT_FALSE(isSkinned());
    EXPECT_FALSE(form->grab().isNull());
    EXPECT_EQ(ClientSize(form.get()), QSize(671, 438)) << "the plain frame keeps the client area";
    form->sourceText->setPlainText(QStringLiteral("仍然可以输入"));
    form->clearButton->click();
    EXPECT_TRUE(form->sourceText->toPlainText().isEmpty());

    form->contextSkinItems[1]->trigger();
    EXPECT_TRUE(isSkinned());
    EXPECT_EQ(activeSkinName(*form), test::BuiltinSkinName(2));
    EXPECT_EQ(ClientSize(form.get()), QSize(671, 438));
}
