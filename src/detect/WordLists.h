#pragma once
// Whether a language's spelling list knows a word. The lists are the plain word lists Debian
// ships for spell checkers (wamerican and wbritish, wngerman, wfrench, wspanish, witalian, wdutch,
// wportuguese), one word a line. Each is read the first time its language is asked about and
// kept as the sorted hashes of its case-folded words: a few megabytes at most, nothing at all for
// a program that never sees a short Latin-letter selection.
#include <QByteArray>
#include <QList>
#include <QStringView>

namespace quillo {

// True when the list of the language (by its code in the language list: "en", "fr", ...) holds
// the word, whatever its case. False for a language without a list, or whose list is missing.
bool WordListKnows(const QByteArray& code, QStringView word);

// The codes of the languages that have a list, English first.
const QList<QByteArray>& WordListLanguages();

} // namespace quillo
