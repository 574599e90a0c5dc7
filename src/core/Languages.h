#pragma once
// The shared language list and the topic list, with the service codes each entry selects.

#include <QByteArray>
#include <QLocale>
#include <QStringList>

namespace quillo {

// The entries of the language list by their place in it; every window's drop-downs, the stored
// choices and the service tables count in this order.
enum Language : int {
    Simplified, Traditional, English, Dutch, French, German, Greek, Italian, Japanese, Korean,
    Portuguese, Russian, Spanish,
    kLanguageCount
};

// The 13 entries every language drop-down of every window holds, in list order.
QStringList LanguageNames();
// Lower-case code of the first-request service ("zh", "zt", "en", ...); empty out of range.
QByteArray BabelFishCode(int index);
// Upper-case code of the WorldLingo services ("ZH_CN", "ZH_TW", "EN", ...); empty out of range.
QByteArray WorldLingoCode(int index);
// The locale the entry's text is read aloud in (zh_CN, zh_TW, en_US, ...); C out of range.
QLocale LanguageLocale(int index);

// The 21 subject topics, in list order.
QStringList TopicNames();
// "gl1" .. "gl21"; empty out of range.
QByteArray TopicCode(int index);

} // namespace quillo
