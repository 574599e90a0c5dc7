// Text read off the screen on a real X server (the test runs under its own Xvfb, and again at
// QT_SCALE_FACTOR=2): a picture of text shown in a window, the key pressed by xdotool, a
// rectangle dragged over the frozen screen through XTest, and the popup then holding the text
// read and its translation.
#include "WaitUntil.h"
#include "../e2e/EngineFixture.h"
#include "ChildProcess.h"
#include "DesktopTestTools.h"
#include "QuilloServerProcess.h"
#include "app/ScreenTextReading.h"
#include "app/TranslateAnywhere.h"
#include "capture/RegionCapture.h"
#include "capture/RegionOverlay.h"
#include "desktop/GlobalHotkey.h"
#include "desktop/ResultPopup.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QTest>

using namespace quillo;
using namespace quillo::test;

namespace {

constexpr int kReadingWaitMs = 30000;

void xdotool(const QStringList& arguments)
{
    const RunResult run = RunToEnd(Tool("xdotool"), arguments, 10000);
    ASSERT_TRUE(run.succeeded()) << run.startError.toStdString() << run.error.toStdString();
}

class ScreenRegionTest : public EngineTest
{
};

} // namespace

TEST_F(ScreenRegionTest, AKeyAndARectangleDraggedOverTheScreenOpenItsTextInThePopup)
{
    if (Tool("xdotool").isEmpty())
        GTEST_SKIP() << "xdotool is needed to act as the user";
    FreshQuilloServer server;
    ASSERT_TRUE(server.listening()) << server.failure().toStdString();
    auto form = showFormFor(server.base());
    choose(*form, BabelFish, test::English, test::French);
    TranslateAnywhere anywhere(form.get(), DesktopChoices{});
    anywhere.Hooks.detectLanguage = [](const QString&) { return int(test::English); };
    ScreenTextReading reading(&anywhere, form->sourceText);
    reading.ApplyChoices(DesktopChoices{});
    ASSERT_TRUE(reading.Hotkey->error().isEmpty()) << reading.Hotkey->error().toStdString();

    QLabel shown;
    shown.setAttribute(Qt::WA_QuitOnClose, false);
    shown.setWindowFlag(Qt::FramelessWindowHint);
    shown.setPixmap(QPixmap::fromImage(PictureOfText(QStringLiteral("Quiet rivers run deep"))));
    shown.move(140, 260);
    shown.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&shown));
    QTest::qWait(200); // the X server paints the window before the screen is frozen

    ASSERT_NO_FATAL_FAILURE(xdotool({QStringLiteral("key"), QStringLiteral("ctrl+alt+o")}));
    ASSERT_TRUE(::quillo::test::waitUntil([&] { return bool(!reading.Capture->overlays().isEmpty() && reading.Capture->overlays().first()->isVisible()); }, 10000));
    QVERIFY(QTest::qWaitForWindowExposed(reading.Capture->overlays().first()));

    // xdotool moves the pointer in the X server's pixels, which are device pixels.
    const qreal ratio = shown.devicePixelRatioF();
    const QRect logical(shown.mapToGlobal(QPoint(0, 0)), shown.size());
    const QPoint from = (QPointF(logical.topLeft()) * ratio).toPoint() + QPoint(4, 4);
    const QPoint to = (QPointF(logical.bottomRight()) * ratio).toPoint() - QPoint(4, 4);
    ASSERT_NO_FATAL_FAILURE(xdotool({QStringLiteral("mousemove"), QString::number(from.x()), QString::number(from.y()),
                                     QStringLiteral("mousedown"), QStringLiteral("1"), QStringLiteral("mousemove"),
                                     QString::number((from.x() + to.x()) / 2), QString::number((from.y() + to.y()) / 2),
                                     QStringLiteral("mousemove"), QString::number(to.x()), QString::number(to.y()),
                                     QStringLiteral("mouseup"), QStringLiteral("1")}));

    ASSERT_EVENTUALLY_EQ_WITHIN(anywhere.Popup->SourceText(), QStringLiteral("Quiet rivers run deep"), kReadingWaitMs);
    ASSERT_EVENTUALLY_EQ_WITHIN(anywhere.Popup->ResultText(), QStringLiteral("[fr] Quiet rivers run deep"), kReadingWaitMs);
    EXPECT_TRUE(reading.Capture->overlays().isEmpty() || !reading.Capture->overlays().first()->isVisible());
}
