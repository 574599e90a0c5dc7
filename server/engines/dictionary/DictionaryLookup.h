#pragma once
// Looking a word or a short phrase up in one dictionary, loosening step by step: the exact
// headword (spelled as asked, or differing only in case and accents, which share the folded key),
// then the base forms of an inflected last word, then the other Chinese script. Articles of one
// headword are merged into one entry, so that a word comes back as one structured answer.

#include "server/engines/dictionary/Dictionary.h"

#include <functional>
#include <vector>

namespace quillo::dictformats {

enum class MatchKind {
    None,
    Exact,     // a headword spelled exactly as asked
    Folded,    // the same word in other case or accents
    Inflected, // a base form of the word (a plural, a tense)
    Script,    // the word in the other Chinese script
};

struct DictionaryMatch {
    MatchKind kind = MatchKind::None;
    QString form; // the form that was found
    std::vector<DictEntry> entries;
};

// The text in the other Chinese script(s); empty when there is none or no converter.
using ScriptVariants = std::function<QStringList(const QString&)>;

struct LookupOptions {
    ScriptVariants scriptVariants;
    size_t maxEntries = 8;
};

inline constexpr int kMaxPhraseWords = 4;

// The text as it is looked up: blanks collapsed, punctuation around it dropped; empty when it is
// longer than a short phrase.
QString lookupForm(const QString& text);

DictionaryMatch lookUp(const Dictionary& dictionary, const QString& text, const LookupOptions& options = {});

} // namespace quillo::dictformats
