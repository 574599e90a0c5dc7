#include "server/engines/dictionary/DictionaryLookup.h"

#include "server/engines/dictionary/Folding.h"

#include <QSet>

#include <algorithm>

namespace quillo::dictformats {

namespace {

// A card shows a handful of senses; reading more articles would cost time for nothing.
constexpr size_t kMaxArticlesRead = 16;
constexpr int kMaxLookupCharacters = 64;

// Reads the articles of the headwords found under `key`, merging those of one headword.
std::vector<DictEntry> entriesFor(const Dictionary& dictionary, const QString& key, size_t maxEntries)
{
    std::vector<DictEntry> entries;
    QSet<quint64> seen;
    size_t read = 0;
    for (const IndexedHeadword& headword : dictionary.find(key)) {
        if (seen.contains(headword.offset) || ++read > kMaxArticlesRead)
            continue;
        seen.insert(headword.offset);
        auto entry = dictionary.entry(headword);
        if (!entry || entry->senses.empty())
            continue;
        auto same = std::find_if(entries.begin(), entries.end(), [&](const DictEntry& other) {
            return other.headword == entry->headword && other.pronunciation == entry->pronunciation
                   && other.partOfSpeech == entry->partOfSpeech;
        });
        if (same != entries.end())
            same->senses.insert(same->senses.end(), entry->senses.begin(), entry->senses.end());
        else if (entries.size() < maxEntries)
            entries.push_back(std::move(*entry));
    }
    return entries;
}

DictionaryMatch matchOf(MatchKind kind, const QString& form, std::vector<DictEntry> entries)
{
    return entries.empty() ? DictionaryMatch{} : DictionaryMatch{kind, form, std::move(entries)};
}

DictionaryMatch exactOrFolded(const Dictionary& dictionary, const QString& form, const QString& key, size_t maxEntries)
{
    auto entries = entriesFor(dictionary, key, maxEntries);
    // The spelling asked for first; the other case and accent forms after it.
    std::stable_partition(entries.begin(), entries.end(), [&](const DictEntry& e) { return e.headword == form; });
    const bool exact = !entries.empty() && entries.front().headword == form;
    return matchOf(exact ? MatchKind::Exact : MatchKind::Folded, form, std::move(entries));
}

DictionaryMatch inflected(const Dictionary& dictionary, const QString& form, size_t maxEntries)
{
    const auto lastBlank = form.lastIndexOf(QLatin1Char(' '));
    const QString head = form.left(lastBlank + 1);
    for (const QString& base : inflectionBases(form.mid(lastBlank + 1), dictionary.info().sourceLanguage)) {
        auto match = matchOf(MatchKind::Inflected, head + base, entriesFor(dictionary, foldKey(head + base), maxEntries));
        if (match.kind != MatchKind::None)
            return match;
    }
    return {};
}

DictionaryMatch otherScript(const Dictionary& dictionary, const QString& form, const LookupOptions& options)
{
    if (!options.scriptVariants)
        return {};
    for (const QString& variant : options.scriptVariants(form)) {
        if (variant == form)
            continue;
        auto match = matchOf(MatchKind::Script, variant, entriesFor(dictionary, foldKey(variant), options.maxEntries));
        if (match.kind != MatchKind::None)
            return match;
    }
    return {};
}

bool isEdgePunctuation(QChar c)
{
    return c.isPunct() || c.isSpace() || c.isSymbol();
}

} // namespace

QString lookupForm(const QString& text)
{
    QString form = text.simplified();
    qsizetype begin = 0, end = form.size();
    while (begin < end && isEdgePunctuation(form[begin]))
        ++begin;
    while (end > begin && isEdgePunctuation(form[end - 1]))
        --end;
    form = form.mid(begin, end - begin);
    if (form.isEmpty() || form.size() > kMaxLookupCharacters || form.count(QLatin1Char(' ')) >= kMaxPhraseWords)
        return {};
    return form;
}

DictionaryMatch lookUp(const Dictionary& dictionary, const QString& text, const LookupOptions& options)
{
    const QString form = lookupForm(text);
    if (form.isEmpty())
        return {};
    if (auto match = exactOrFolded(dictionary, form, foldKey(form), options.maxEntries); match.kind != MatchKind::None)
        return match;
    // A headword with punctuation inside ("1/3 bond", "1-up") is indexed without it in dictd files.
    if (const QString bare = dictdKey(form); !bare.isEmpty() && bare != foldKey(form))
        if (auto match = exactOrFolded(dictionary, form, bare, options.maxEntries); match.kind != MatchKind::None)
            return match;
    if (auto match = inflected(dictionary, form, options.maxEntries); match.kind != MatchKind::None)
        return match;
    return otherScript(dictionary, form, options);
}

} // namespace quillo::dictformats
