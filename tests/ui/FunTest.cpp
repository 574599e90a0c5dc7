#include "ui/Fun.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <gtest/gtest.h>

using namespace quillo;

TEST(Fun, SideWindowsOpenWithinReachOverAnOwnerAtTheScreensEdgeAndShrinkToTheScreen)
{
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    QWidget owner;
    owner.resize(300, 200);
    owner.move(area.right() - 50, area.bottom() - 40);
    owner.show();
    const struct
    {
        QSize size;
        const QWidget* over;
    } cases[] = {{QSize(400, 250), &owner}, {QSize(400, 250), nullptr}, {area.size() + QSize(300, 200), &owner}};
    for (const auto& c : cases) {
        QWidget window;
        window.resize(c.size);
        window.show();
        CentreOver(&window, c.over);
        const QRect outer = window.frameGeometry();
        EXPECT_TRUE(area.contains(outer)) << outer.x() << "," << outer.y() << " " << outer.width() << "x" << outer.height();
        if (c.size.width() > area.width()) {
            EXPECT_EQ(outer.size(), area.size());
        }
    }
}
