#include "ui/Fun.h"

#include <QDesktopServices>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QTimer>
#include <QUrl>

#include <algorithm>

namespace quillo {

void WaitWithMessages(int milliseconds)
{
    QElapsedTimer clock;
    clock.start();
    QEventLoop loop;
    QTimer wake;
    wake.setSingleShot(true);
    bool woken = false;
    QObject::connect(&wake, &QTimer::timeout, &loop, [&] {
        woken = true;
        loop.quit();
    });
    // A timer may fire a little early; wait again for what is left. A loop that ends without our
    // timer was told to by the application quitting, and waiting on would only spin.
    while (clock.elapsed() < milliseconds) {
        woken = false;
        wake.start(static_cast<int>(milliseconds - clock.elapsed()));
        loop.exec();
        if (!woken)
            return;
    }
}

qint64 FileSizeByName(const QString& fileName)
{
    if (fileName.isEmpty())
        return -1;
    const QFileInfo info(QDir::current().absoluteFilePath(fileName));
    if (!info.exists())
        return -1;
    return info.isDir() ? 0 : info.size();
}

void ShellOpen(const QString& address)
{
    QDesktopServices::openUrl(QUrl(address));
}

void CentreOver(QWidget* window, const QWidget* owner)
{
    const QScreen* screen = window->screen();
    const QRect area = owner ? owner->frameGeometry() : (screen ? screen->availableGeometry() : QRect());
    if (!area.isValid())
        return;
    const QSize size = window->frameGeometry().size();
    window->move(area.center() - QPoint(size.width() / 2, size.height() / 2));
    // An owner near the screen's edge would otherwise push the window past it.
    KeepWithinReach(window);
}

void KeepWithinReach(QWidget* window)
{
    const QRect outer = window->frameGeometry();
    const QScreen* screen = QGuiApplication::screenAt(outer.center());
    if (!screen)
        screen = window->screen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    const QSize fitted = outer.size().boundedTo(area.size());
    if (fitted != outer.size())
        window->resize(window->size() - (outer.size() - fitted));
    const QSize size = window->frameGeometry().size();
    // The top-left corner is placed last, so that it wins where the window cannot shrink enough.
    const int left = std::max(area.left(), std::min(outer.left(), area.right() + 1 - size.width()));
    const int top = std::max(area.top(), std::min(outer.top(), area.bottom() + 1 - size.height()));
    if (QPoint(left, top) != outer.topLeft())
        window->move(left, top);
}

} // namespace quillo
