#include "ui/Fun.h"

#include <QDesktopServices>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QUrl>

#include <algorithm>

namespace quillo {

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
