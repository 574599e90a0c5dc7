#pragma once
// Guesses the language of a piece of text, for translating a selection whose language nobody
// named. Scripts settle most languages at once (kana, hangul, Greek, Cyrillic, Chinese characters,
// Simplified told from Traditional by converting both ways); text in Latin letters goes to a
// statistical detector restricted to the Latin-script languages of the language list.
#include <QString>

namespace quillo {

// The index in LanguageNames() of the text's language; -1 when it cannot tell (no letters, too
// little text, or a language outside the list).
int DetectLanguage(const QString& text);

} // namespace quillo
