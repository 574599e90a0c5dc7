#include "skins/SkinChangeEvent.h"

namespace quillo {

SkinChangeEvent::SkinChangeEvent(SkinNotice notice, TSkinData* holder)
    : QEvent(eventType()), m_notice(notice), m_holder(holder)
{
}

QEvent::Type SkinChangeEvent::eventType()
{
    static const QEvent::Type type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

} // namespace quillo
