#pragma once
// The shared language list and the topic list, with the service codes each entry selects.

#include <QByteArray>
#include <QStringList>

namespace quillo {

inline constexpr int kLanguageCount = 13;

// The 13 entries every language drop-down of every window holds, in list order.
QStringList LanguageNames();
// Lower-case code of the first-request service ("zh", "zt", "en", ...); empty out of range.
QByteArray BabelFishCode(int index);
// Upper-case code of the WorldLingo services ("ZH_CN", "ZH_TW", "EN", ...); empty out of range.
QByteArray WorldLingoCode(int index);

// The 21 subject topics, in list order.
QStringList TopicNames();
// "gl1" .. "gl21"; empty out of range.
QByteArray TopicCode(int index);

} // namespace quillo
