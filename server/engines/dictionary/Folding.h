#pragma once
// How a word is matched against headwords beyond its exact spelling: the key that case and accent
// folding give (the headword index is keyed by it), and the base forms a word may be an inflection
// of, language by language. Simple rules, not a morphological analyser: a candidate that is not a
// headword simply finds nothing.

#include <QString>
#include <QStringList>

namespace quillo::dictformats {

// Lower case (full case folding, so "Straße" and "STRASSE" meet), accents off Latin, Greek and
// Cyrillic letters, blanks collapsed. Kana keep their voicing marks: they are letters there.
QString foldKey(const QString& text);

// The key as dictd's index writes it: folded, with letters, digits and blanks only ("1/3 bond" is
// indexed "13 bond").
QString dictdKey(const QString& text);

// The forms `word` may be inflected from in `language` (our codes: "en", "de", "fr", "es", "it"),
// most likely first, without `word` itself; none for other languages.
QStringList inflectionBases(const QString& word, const QString& language);

} // namespace quillo::dictformats
