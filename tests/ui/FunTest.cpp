#include "ui/Fun.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>

using namespace quillo;

TEST(Fun, FileSizeByNameAnswersForFilesDirectoriesAndNothing)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile file(dir.filePath(QStringLiteral("version.txt")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[information]\r\n");
    file.close();
    EXPECT_EQ(FileSizeByName(file.fileName()), 15);

    QFile empty(dir.filePath(QStringLiteral("empty")));
    ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
    empty.close();
    EXPECT_EQ(FileSizeByName(empty.fileName()), 0);

    EXPECT_EQ(FileSizeByName(dir.path()), 0) << "a directory matches too";
    EXPECT_EQ(FileSizeByName(dir.filePath(QStringLiteral("missing"))), -1);
    EXPECT_EQ(FileSizeByName(QString()), -1);

    // A relative name is taken from the current directory.
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir.path());
    EXPECT_EQ(FileSizeByName(QStringLiteral("version.txt")), 15);
    QDir::setCurrent(previous);
}

TEST(Fun, WaitWithMessagesKeepsHandlingEvents)
{
    int handled = 0;
    QTimer::singleShot(0, [&] { ++handled; });
    QMetaObject::invokeMethod(QCoreApplication::instance(), [&] { ++handled; }, Qt::QueuedConnection);
    WaitWithMessages(50);
    EXPECT_EQ(handled, 2);
}

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
