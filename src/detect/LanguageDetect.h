#pragma once
// Guesses the language of a piece of text, for translating a selection whose language nobody
// named. Scripts settle most languages at once (kana, hangul, Greek, Cyrillic, Chinese characters,
// Simplified told from Traditional by converting both ways); text in Latin letters goes to a
// statistical detector restricted to the Latin-script languages of the language list.
#include <QString>

#include <vector>

namespace quillo {

// The index in LanguageNames() of the text's language; -1 when it cannot tell (no letters, too
// little text, or a language outside the list).
int DetectLanguage(const QString& text);

struct LanguageGuess
{
    int index;         // in LanguageNames()
    double confidence; // 0 to 1
};

// The languages of the list the text may be in, the likeliest first; the first is
// DetectLanguage()'s answer, and the list is empty when that is -1. A language told by its script
// comes alone, its confidence the share of the text's letters written in that script; text in
// Latin letters lists the closest Latin-script languages of the list, sharing that share by how
// close each one's n-grams come.
std::vector<LanguageGuess> DetectLanguages(const QString& text);

} // namespace quillo
