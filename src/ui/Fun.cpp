#include "ui/Fun.h"

#include <QDesktopServices>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QScreen>
#include <QWidget>
#include <QTimer>
#include <QUrl>

namespace quillo {

QString ProgramVersion()
{
    return QStringLiteral("16");
}

QString ApplicationTitle()
{
    return QStringLiteral("Quillo翻译软件");
}

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
}

} // namespace quillo
