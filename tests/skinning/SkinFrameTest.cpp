#include "SkinningFixture.h"
#include "ui/SkinCaptions.h"
#include "ui/SkinControls.h"
#include "ui/SkinLook.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QMenu>
#include <QMouseEvent>
#include <QTest>

using namespace quillo;
using quillo::test::SkinnedMainFormTest;

namespace {

QStringList captionsOf(const QMenu& menu)
{
    QStringList captions;
    for (const QAction* action : menu.actions())
        captions.append(action->isSeparator() ? QStringLiteral("-") : action->text());
    return captions;
}

QStringList buttonsOf(const TSkinForm& frame)
{
    QStringList present;
    for (const char* name : {"sysmenubutton", "minbutton", "maxbutton", "closebutton"}) {
        if (frame.captionButton(QString::fromLatin1(name)))
            present.append(QString::fromLatin1(name));
    }
    return present;
}

void sendMouse(QWidget* target, QEvent::Type type, const QPoint& local, Qt::MouseButtons held)
{
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, QPointF(local), QPointF(target->mapToGlobal(local)), button, held, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

// Presses at `from` in target, moves by `by` with the button held, releases.
void drag(QWidget* target, const QPoint& from, const QPoint& by)
{
    const QPoint globalFrom = target->mapToGlobal(from);
    sendMouse(target, QEvent::MouseButtonPress, from, Qt::LeftButton);
    // The target may have moved with the window: aim at the same place on the screen.
    sendMouse(target, QEvent::MouseMove, target->mapFromGlobal(globalFrom + by), Qt::LeftButton);
    sendMouse(target, QEvent::MouseButtonRelease, target->mapFromGlobal(globalFrom + by), Qt::NoButton);
}

} // namespace

TEST_F(SkinnedMainFormTest, TheFramedMainWindowKeepsItsClientAreaAndItsOuterSizeRules)
{
    auto form = showForm();
    ASSERT_NE(form->skinFrame, nullptr);
    const QMargins insets = form->skinFrame->insets();
    EXPECT_GT(insets.top(), insets.bottom()) << "the caption bar is part of the frame";
    EXPECT_EQ(ClientSize(form.get()), QSize(671, 438));
    EXPECT_EQ(form->size(), QSize(671, 438).grownBy(insets));
    EXPECT_EQ(form->sourcePanel->height(), 144);
    EXPECT_EQ(form->resultPanel->height(), 144);
    EXPECT_EQ(form->buttonBar->geometry().bottom() + 1, form->height() - insets.bottom());
    EXPECT_TRUE(form->updateButton->isVisibleTo(form.get())) << "the outer width of the default window is over 681";

    form->resize(100, 100);
    EXPECT_EQ(form->frameGeometry().size(), QSize(560, 288));
    EXPECT_TRUE(form->enginePanel->isVisibleTo(form.get())) << "the engine list stays at the smallest width";

    SetClientSize(form.get(), QSize(600, 400));
    form->move(70, 80);
    form->close();
    EXPECT_EQ(stored(QStringLiteral("width")).toInt(), 600);
    EXPECT_EQ(stored(QStringLiteral("height")).toInt(), 400);
    EXPECT_EQ(stored(QStringLiteral("left")).toInt(), 70);
    form = showForm();
    EXPECT_EQ(ClientSize(form.get()), QSize(600, 400));
    EXPECT_EQ(form->pos(), QPoint(70, 80));
}

TEST_F(SkinnedMainFormTest, CaptionButtonsFollowTheKindOfWindow)
{
    auto form = showForm();
    EXPECT_EQ(buttonsOf(*form->skinFrame),
              QStringList({"sysmenubutton", "minbutton", "maxbutton", "closebutton"}));
    EXPECT_EQ(form->skinFrame->captionButton(QStringLiteral("closebutton"))->toolTip(), SkinCaption(QStringLiteral("CLOSEBUTTON_HINT")));

    form->skinFrame->captionButton(QStringLiteral("maxbutton"))->click();
    EXPECT_TRUE(form->isMaximized());
    form->skinFrame->captionButton(QStringLiteral("maxbutton"))->click();
    EXPECT_FALSE(form->isMaximized());
    EXPECT_EQ(ClientSize(form.get()), QSize(671, 438));

    QDialog dialog;
    ApplySkinLook(&dialog, "form");
    ASSERT_NE(TSkinForm::of(&dialog), nullptr);
    EXPECT_EQ(buttonsOf(*TSkinForm::of(&dialog)), QStringList({"sysmenubutton", "closebutton"}));
    dialog.show();
    TSkinForm::of(&dialog)->captionButton(QStringLiteral("closebutton"))->click();
    EXPECT_FALSE(dialog.isVisible());

    QWidget tool(nullptr, Qt::Tool);
    ApplySkinLook(&tool, "form");
    ASSERT_NE(TSkinForm::of(&tool), nullptr);
    EXPECT_TRUE(buttonsOf(*TSkinForm::of(&tool)).isEmpty());

    EnableSkinnedFrames(false);
    QDialog unframed;
    ApplySkinLook(&unframed, "form");
    EXPECT_EQ(TSkinForm::of(&unframed), nullptr);
}

TEST_F(SkinnedMainFormTest, TheWindowMenuHoldsTheFrameEntriesAroundTheSecondPopupMenu)
{
    auto form = showForm();
    std::unique_ptr<QMenu> menu(form->skinFrame->createSystemMenu(form.get()));
    QStringList expected = {SkinCaption(QStringLiteral("MI_RESTORECAPTION")), SkinCaption(QStringLiteral("MI_MINCAPTION")),
                            SkinCaption(QStringLiteral("MI_MAXCAPTION"))};
    expected += captionsOf(*form->windowMenu);
    expected += SkinCaption(QStringLiteral("MI_CLOSECAPTION"));
    EXPECT_EQ(captionsOf(*menu), expected);
    EXPECT_FALSE(menu->actions().at(0)->isEnabled()) << "nothing to restore in a normal window";
    EXPECT_TRUE(menu->actions().at(2)->isEnabled());

    // The merged entries are the menu's own: choosing a skin there switches it.
    menu->actions().at(3 + form->windowMenu->actions().indexOf(form->windowSkinItems[2]))->trigger();
    EXPECT_TRUE(form->windowSkinItems[2]->isChecked());
    EXPECT_EQ(form->skinData->SkinName(), test::BuiltinSkinName(3));

    menu->actions().at(2)->trigger();
    EXPECT_TRUE(form->isMaximized());
    menu.reset(form->skinFrame->createSystemMenu(form.get()));
    EXPECT_TRUE(menu->actions().at(0)->isEnabled());
    EXPECT_FALSE(menu->actions().at(2)->isEnabled());
    menu->actions().constLast()->trigger();
    EXPECT_FALSE(form->isVisible());
}

// Alt+Space opens the window menu under the caption, from wherever the focus is, as a framed
// window's does.
TEST_F(SkinnedMainFormTest, AltSpaceOpensTheWindowMenu)
{
    auto form = showForm();
    form->activateWindow();
    form->sourceText->setFocus();
    QTest::keyClick(form->sourceText, Qt::Key_Space, Qt::AltModifier);
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->objectName(), QStringLiteral("SystemMenu"));
    EXPECT_EQ(menu->pos(), form->mapToGlobal(QPoint(form->skinFrame->insets().left(), form->skinFrame->captionHeight())));
    EXPECT_TRUE(form->sourceText->toPlainText().isEmpty()) << "the key is not typed as well";
    menu->close();
}

TEST_F(SkinnedMainFormTest, TheCaptionBarMovesTheWindowAndTheBordersResizeIt)
{
    auto form = showForm();
    const QPoint start = form->pos();
    drag(form.get(), QPoint(200, 10), QPoint(60, 30));
    EXPECT_EQ(form->pos(), start + QPoint(60, 30));

    const QSize before = form->size();
    const QPoint rightBorder(form->width() - 1, form->height() / 2);
    QWidget* grip = form->childAt(rightBorder);
    ASSERT_NE(grip, nullptr);
    drag(grip, grip->mapFrom(form.get(), rightBorder), QPoint(40, 0));
    EXPECT_EQ(form->size(), before + QSize(40, 0));

    // Inside the rounded corner of the window's outline.
    const QPoint corner(form->width() - 3, form->height() - 3);
    grip = form->childAt(corner);
    ASSERT_NE(grip, nullptr);
    drag(grip, grip->mapFrom(form.get(), corner), QPoint(-2000, -2000));
    EXPECT_EQ(form->frameGeometry().size(), QSize(560, 288)) << "never below the minimum";

    // Clicks inside the client area are the controls' own.
    const QPoint inClient = form->sourceText->mapTo(form.get(), QPoint(10, 10));
    EXPECT_EQ(form->childAt(inClient), form->sourceText->viewport());
}
