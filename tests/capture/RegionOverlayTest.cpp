// The region overlay cuts what was dragged out of the frozen picture in device pixels, on every
// screen, whatever the scale factor and wherever the screen sits on the desktop. The program also
// runs with QT_SCALE_FACTOR=2 on two screens, the second one's origin away from (0,0).
#include "capture/RegionCapture.h"
#include "capture/RegionOverlay.h"

#include <QGuiApplication>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace quillo {
namespace {

// Every pixel tells where it is, so a cut from the wrong place cannot pass for the right one.
QImage patternOfSize(QSize size, int screenIndex)
{
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, qRgb(x % 256, y % 256, (x / 256) * 32 + (y / 256) * 4 + screenIndex));
    return image;
}

// Hands over pictures made in the test, as a grabber would hand over the screens'.
class PatternGrabber : public ScreenGrabber {
public:
    void grab() override
    {
        QList<ScreenPicture> screens;
        const QList<QScreen*> all = QGuiApplication::screens();
        for (int i = 0; i < all.size(); ++i) {
            const QSize device = (QSizeF(all[i]->geometry().size()) * all[i]->devicePixelRatio()).toSize();
            screens.append({patternOfSize(device, i), all[i]->geometry(), all[i]->name()});
        }
        emit grabbed(screens);
    }
};

void drag(QWidget* overlay, QPoint from, QPoint to)
{
    QTest::mousePress(overlay, Qt::LeftButton, Qt::NoModifier, from);
    QTest::mouseMove(overlay, (from + to) / 2);
    QTest::mouseMove(overlay, to);
    QTest::mouseRelease(overlay, Qt::LeftButton, Qt::NoModifier, to);
}

TEST(RegionOverlayTest, CutsTheDraggedRectangleInDevicePixelsOnEveryScreen)
{
    const QList<QScreen*> screens = QGuiApplication::screens();
    for (int i = 0; i < screens.size(); ++i) {
        RegionCapture capture(std::make_unique<PatternGrabber>());
        QSignalSpy chosen(&capture, &RegionCapture::regionChosen);
        capture.start();
        ASSERT_EQ(capture.overlays().size(), screens.size());
        RegionOverlay* overlay = capture.overlays()[i];
        ASSERT_TRUE(QTest::qWaitForWindowExposed(overlay));
        EXPECT_EQ(overlay->geometry(), screens[i]->geometry());

        drag(overlay, QPoint(30, 20), QPoint(130, 70));
        ASSERT_EQ(chosen.size(), 1);
        const double ratio = screens[i]->devicePixelRatio();
        const QRect expected(qRound(30 * ratio), qRound(20 * ratio), qRound(100 * ratio), qRound(50 * ratio));
        const QImage picture = chosen[0][0].value<QImage>();
        EXPECT_EQ(picture.size(), expected.size()) << "screen " << i;
        EXPECT_EQ(picture, patternOfSize(QSize(expected.right() + 1, expected.bottom() + 1), i).copy(expected))
            << "screen " << i << " at ratio " << ratio;
        EXPECT_FALSE(capture.active());
        EXPECT_TRUE(capture.overlays().isEmpty()) << "every overlay closes with the choice";
    }
}

TEST(RegionOverlayTest, ShowsTheChoiceUndimmedAndEscapeGivesUp)
{
    RegionCapture capture(std::make_unique<PatternGrabber>());
    QSignalSpy chosen(&capture, &RegionCapture::regionChosen);
    QSignalSpy cancelled(&capture, &RegionCapture::cancelled);
    capture.start();
    RegionOverlay* overlay = capture.overlays().constFirst();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(overlay));

    QTest::mousePress(overlay, Qt::LeftButton, Qt::NoModifier, QPoint(40, 40));
    QTest::mouseMove(overlay, QPoint(140, 90));
    ASSERT_EQ(overlay->Selection(), overlay->DeviceRect(QRectF(40, 40, 100, 50)));
    const QImage shown = overlay->grab().toImage();
    const double ratio = shown.width() / double(overlay->width());
    const QImage frozen = patternOfSize(shown.size(), 0);
    const auto at = [&](int x, int y) { return QPoint(qRound(x * ratio), qRound(y * ratio)); };
    // Inside the rectangle (away from its border and the crosshair) the screen as it was; outside dimmed.
    EXPECT_EQ(shown.pixel(at(70, 60)), frozen.pixel(at(70, 60)));
    EXPECT_LT(qGreen(shown.pixel(at(20, 200))), qGreen(frozen.pixel(at(20, 200))));

    // A click is no rectangle.
    QTest::mouseRelease(overlay, Qt::LeftButton, Qt::NoModifier, QPoint(140, 90));
    chosen.clear();
    QTest::mouseClick(overlay, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    EXPECT_TRUE(chosen.isEmpty());
}

TEST(RegionOverlayTest, EscapeClosesEveryOverlay)
{
    RegionCapture capture(std::make_unique<PatternGrabber>());
    QSignalSpy chosen(&capture, &RegionCapture::regionChosen);
    QSignalSpy cancelled(&capture, &RegionCapture::cancelled);
    capture.start();
    ASSERT_FALSE(capture.overlays().isEmpty());
    capture.start(); // a second key press while choosing opens nothing more
    EXPECT_EQ(capture.overlays().size(), QGuiApplication::screens().size());
    QTest::keyClick(capture.overlays().constLast(), Qt::Key_Escape);
    EXPECT_EQ(cancelled.size(), 1);
    EXPECT_TRUE(chosen.isEmpty());
    EXPECT_TRUE(capture.overlays().isEmpty());
}

} // namespace
} // namespace quillo
