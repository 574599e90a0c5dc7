#pragma once
// The language pairs of the pair list: 38 entries such as "简体中文 → 英语".
#include <QStringList>

namespace quillo {

inline constexpr int kLanguagePairCount = 38;
// The pair the list selects unless the settings say otherwise: "简体中文 → 英语".
inline constexpr int kDefaultLanguagePair = 2;

QStringList LanguagePairNames();

} // namespace quillo
