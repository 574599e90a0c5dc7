#include "ui/ScreenCursor.h"

#include <QGuiApplication>
#include <QPixmap>
#include <QTest>
#include <gtest/gtest.h>

using namespace quillo;

namespace {

const QString kBusyCursor = QStringLiteral(QUILLO_SOURCE_DIR "/assets/cursors/busy.ani");

} // namespace

TEST(ScreenCursor, TheBusyCursorPlaysUntilTheDefaultIsSetBack)
{
    const auto busy = LoadAnimatedCursor(kBusyCursor);
    ASSERT_TRUE(busy.has_value());
    EXPECT_EQ(busy->frames.size(), 20);
    EXPECT_EQ(busy->steps.front().milliseconds, 66);
    SetCursorSlot(crAppBusy, *busy);

    SetScreenCursor(crAppBusy);
    EXPECT_EQ(ScreenCursor(), crAppBusy);
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(ScreenCursorFrame(), 0);
    EXPECT_TRUE(QTest::qWaitFor([] { return ScreenCursorFrame() == 2; }, 5000)) << "the animation must move on";
    EXPECT_EQ(QGuiApplication::overrideCursor()->pixmap().toImage(), busy->frames.at(2).pixmap().toImage());

    // Setting it twice does not pile up cursors that one reset could not clear.
    SetScreenCursor(crAppBusy);
    SetScreenCursor(crDefault);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(ScreenCursorFrame(), -1);
    ClearCursorSlot(crAppBusy);
}

TEST(ScreenCursor, AnEmptySlotShowsTheDefaultCursor)
{
    ClearCursorSlot(crAppBusy);
    EXPECT_FALSE(LoadAnimatedCursor(QStringLiteral("/nonexistent/busy.ani")).has_value());
    SetScreenCursor(crAppBusy);
    EXPECT_EQ(ScreenCursor(), crAppBusy);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(AppCursor(crAppBusy).shape(), Qt::ArrowCursor);
    // Filling the slot while the screen asks for it shows it at once.
    SetCursorSlot(crAppBusy, *LoadAnimatedCursor(kBusyCursor));
    EXPECT_NE(QGuiApplication::overrideCursor(), nullptr);
    SetScreenCursor(crDefault);
    ClearCursorSlot(crAppBusy);
}

TEST(ScreenCursor, ALoadedSlotIsReadOnceWhenFirstAskedFor)
{
    int reads = 0;
    SetCursorSlotLoader(crAppBusy, [&] {
        ++reads;
        return LoadAnimatedCursor(kBusyCursor);
    });
    EXPECT_EQ(reads, 0);
    SetScreenCursor(crAppBusy);
    EXPECT_EQ(reads, 1);
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor()->pixmap().toImage(), AppCursor(crAppBusy).pixmap().toImage());
    SetScreenCursor(crDefault);
    SetScreenCursor(crAppBusy);
    EXPECT_EQ(reads, 1);
    SetScreenCursor(crDefault);

    // A loader that finds nothing leaves the slot empty, and is not asked again.
    SetCursorSlotLoader(crAppBusy, [&] {
        ++reads;
        return LoadAnimatedCursor(QStringLiteral("/nonexistent/busy.ani"));
    });
    EXPECT_EQ(AppCursor(crAppBusy).shape(), Qt::ArrowCursor);
    SetScreenCursor(crAppBusy);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(reads, 2);
    SetScreenCursor(crDefault);
    ClearCursorSlot(crAppBusy);
}
