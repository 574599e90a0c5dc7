#include "http/WaitActivity.h"

#include <QEvent>
#include <QVariant>

namespace quillo {

namespace {
constexpr char kAmbientProperty[] = "quilloAmbient";
}

void MarkAmbient(QObject* object)
{
    object->setProperty(kAmbientProperty, true);
}

bool IsWaitActivity(QObject* receiver, const QEvent* event)
{
    switch (event->type()) {
    case QEvent::Paint:
    case QEvent::UpdateRequest:
    case QEvent::UpdateLater:
        return false;
    case QEvent::Timer:
        // The caret timers of Qt's text controls live in these two private classes.
        return !(receiver->inherits("QWidgetTextControl") || receiver->inherits("QWidgetLineControl")
                 || receiver->property(kAmbientProperty).toBool());
    default:
        return true;
    }
}

} // namespace quillo
