#include "ui/SkinTheme.h"

#include "skins/CompressedStoredSkin.h"
#include "skins/SkinData.h"
#include "ui/SkinArt.h"
#include "ui/SkinStyle.h"

#include <QApplication>
#include <QPointer>
#include <QWidget>

namespace quillo {

namespace {

struct Theme
{
    QPointer<TSkinData> holder;
    QPointer<SkinStyle> style;
    std::shared_ptr<const SkinArt> art;
    QMetaObject::Connection notices, failures, gone;
    bool frames = false;
    bool laidOut = false;  // the controls have been laid out for the style at least once
};

Theme& theme()
{
    static Theme instance;
    return instance;
}

QList<QObject*> topLevelWindows()
{
    QList<QObject*> windows;
    const auto widgets = QApplication::topLevelWidgets();
    for (QWidget* widget : widgets) {
        if (widget->isWindow() && !(widget->windowType() == Qt::Popup || widget->windowType() == Qt::ToolTip))
            windows.append(widget);
    }
    return windows;
}

// Every window and control takes the new look: palette, metrics and pictures.
void applyToWindows()
{
    Theme& t = theme();
    const bool install = !t.style || QApplication::style() != t.style;
    if (install)
        t.style = new SkinStyle;
    SkinStyle* style = t.style;
    const QString metricsBefore = style->metricsSignature();
    style->setArt(CurrentSkinArt());
    // Installing the style lays every control out for it, so it goes in with its art.
    if (install)
        QApplication::setStyle(style);
    QApplication::setPalette(style->standardPalette());
    // Relaying out every control is the dear part of a switch (long lists measure all their
    // items); skins of one design share their sizes and need none.
    if (install) {
        t.laidOut = true;
    } else if (style->metricsSignature() != metricsBefore || !t.laidOut) {
        t.laidOut = true;
        const auto widgets = QApplication::allWidgets();
        for (QWidget* widget : widgets) {
            QEvent change(QEvent::StyleChange);
            QCoreApplication::sendEvent(widget, &change);
        }
    }
    for (QObject* window : topLevelWindows())
        static_cast<QWidget*>(window)->update();
}

void dropArt()
{
    theme().art.reset();
}

} // namespace

void UseSkinData(TSkinData* holder)
{
    Theme& t = theme();
    if (t.holder == holder)
        return;
    for (auto* connection : {&t.notices, &t.failures, &t.gone})
        QObject::disconnect(*connection);
    t.holder = holder;
    dropArt();
    if (holder) {
        holder->setNoticeReceivers(topLevelWindows);
        t.notices = QObject::connect(holder, &TSkinData::skinNotice, holder, [](SkinNotice notice) {
            if (notice == SkinNoticeChanging)
                dropArt();
            else if (notice == SkinNoticeApplied)
                applyToWindows();
        });
        t.failures = QObject::connect(holder, &TSkinData::unpackFailed, holder, [] {
            dropArt();
            applyToWindows();
        });
        // The holder goes with its window, in the middle of that window's destruction: the
        // others are re-skinned once it is over.
        t.gone = QObject::connect(holder, &QObject::destroyed, [] {
            dropArt();
            QMetaObject::invokeMethod(qApp, [] { if (!theme().holder && theme().style) applyToWindows(); },
                                      Qt::QueuedConnection);
        });
    }
    // Before any look is in place an empty holder has nothing to show yet: the first skin it
    // loads (or fails to load) puts the style in, and every control is laid out once, not twice.
    if (holder && holder->Empty() && !t.style)
        return;
    applyToWindows();
}

TSkinData* CurrentSkinData()
{
    return theme().holder;
}

std::shared_ptr<const SkinArt> CurrentSkinArt()
{
    Theme& t = theme();
    if (!t.holder || t.holder->Empty())
        return nullptr;
    // Built on first use after a load: the windows ask for it while the holder announces it.
    if (!t.art)
        t.art = std::make_shared<const SkinArt>(*t.holder);
    return t.art;
}

void EnableSkinnedFrames(bool enabled)
{
    theme().frames = enabled;
}

bool SkinnedFramesEnabled()
{
    return theme().frames;
}

} // namespace quillo
