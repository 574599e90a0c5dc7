#include "server/engines/GlossaryTerms.h"

#include <QChar>
#include <QRegularExpression>
#include <QString>

#include <algorithm>
#include <numeric>

namespace quillo::server {

namespace {

std::u32string folded(std::string_view utf8)
{
    std::u32string text = QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())).toStdU32String();
    for (char32_t& c : text)
        c = QChar::toCaseFolded(c);
    return text;
}

std::string utf8(std::u32string_view text)
{
    return QString::fromUcs4(text.data(), static_cast<qsizetype>(text.size())).toStdString();
}

bool unspaced(char32_t c)
{
    const QChar::Script script = QChar::script(c);
    return script == QChar::Script_Han || script == QChar::Script_Hiragana || script == QChar::Script_Katakana;
}

// A character of a word in a script that separates its words with blanks.
bool wordCharacter(char32_t c)
{
    return (QChar::isLetterOrNumber(c) || QChar::isMark(c)) && !unspaced(c);
}

bool boundaryBefore(const std::u32string& text, size_t at, char32_t first)
{
    return !wordCharacter(first) || at == 0 || !wordCharacter(text[at - 1]);
}

bool boundaryAfter(const std::u32string& text, size_t end, char32_t last)
{
    return !wordCharacter(last) || end >= text.size() || !wordCharacter(text[end]);
}

// The placeholder an engine leaves alone: letters and a number (Apertium passes an unknown word
// through, marked with "*"; the online engines keep what looks like a code or a name).
std::string placeholder(size_t number)
{
    return "ZQ" + std::to_string(number) + "QZ";
}

} // namespace

std::vector<TermMatch> FindTerms(std::string_view text, const std::vector<GlossaryTerm>& terms)
{
    const std::u32string haystack = folded(text);
    std::vector<std::u32string> needles;
    for (const GlossaryTerm& term : terms)
        needles.push_back(folded(term.term));
    // Longest first, so the first that fits at a place is the longest.
    std::vector<size_t> order(terms.size());
    std::iota(order.begin(), order.end(), size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return needles[a].size() > needles[b].size(); });
    std::vector<TermMatch> matches;
    for (size_t at = 0; at < haystack.size();) {
        const auto fits = std::find_if(order.begin(), order.end(), [&](size_t index) {
            const std::u32string& needle = needles[index];
            return !needle.empty() && haystack.compare(at, needle.size(), needle) == 0
                && boundaryBefore(haystack, at, needle.front())
                && boundaryAfter(haystack, at + needle.size(), needle.back());
        });
        if (fits == order.end()) {
            ++at;
            continue;
        }
        matches.push_back({at, needles[*fits].size(), *fits});
        at += needles[*fits].size();
    }
    return matches;
}

std::vector<GlossaryTerm> TermsIn(std::string_view text, const std::vector<GlossaryTerm>& terms)
{
    std::vector<GlossaryTerm> present;
    std::vector<bool> seen(terms.size(), false);
    for (const TermMatch& match : FindTerms(text, terms)) {
        if (!seen[match.term]) {
            seen[match.term] = true;
            present.push_back(terms[match.term]);
        }
    }
    return present;
}

ProtectedText ProtectTerms(std::string_view text, const std::vector<GlossaryTerm>& terms)
{
    const std::u32string original = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).toStdU32String();
    ProtectedText out;
    std::vector<size_t> numberOf(terms.size(), 0);
    size_t copied = 0;
    for (const TermMatch& match : FindTerms(text, terms)) {
        if (numberOf[match.term] == 0) {
            out.placed.push_back(terms[match.term]);
            numberOf[match.term] = out.placed.size();
        }
        out.text += utf8(std::u32string_view(original).substr(copied, match.offset - copied));
        out.text += placeholder(numberOf[match.term]);
        copied = match.offset + match.length;
    }
    out.text += utf8(std::u32string_view(original).substr(copied));
    return out;
}

std::string RestoreTerms(std::string_view translated, const std::vector<GlossaryTerm>& placed)
{
    static const QRegularExpression marked(QStringLiteral("[*#@~]?Z\\s?Q\\s?(\\d+)\\s?Q\\s?Z"),
                                           QRegularExpression::CaseInsensitiveOption);
    const QString text = QString::fromUtf8(translated.data(), static_cast<qsizetype>(translated.size()));
    QString out;
    qsizetype copied = 0;
    for (auto it = marked.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        const size_t number = match.captured(1).toULongLong();
        if (number == 0 || number > placed.size())
            continue;
        out += text.mid(copied, match.capturedStart() - copied);
        out += QString::fromStdString(placed[number - 1].translation);
        copied = match.capturedEnd();
    }
    out += text.mid(copied);
    return out.toStdString();
}

std::vector<std::string> MissingTerms(std::string_view translation, const std::vector<GlossaryTerm>& present)
{
    const std::u32string haystack = folded(translation);
    std::vector<std::string> missing;
    for (const GlossaryTerm& term : present) {
        if (haystack.find(folded(term.translation)) == std::u32string::npos)
            missing.push_back(term.term);
    }
    return missing;
}

std::string GlossaryPromptLines(const std::vector<GlossaryTerm>& present)
{
    if (present.empty())
        return {};
    std::string lines = "Translate these terms exactly as given:";
    for (const GlossaryTerm& term : present) {
        lines += "\n- \"" + term.term + "\" -> \"" + term.translation + "\"";
        if (!term.note.empty())
            lines += " (" + term.note + ")";
    }
    return lines;
}

} // namespace quillo::server

namespace quillo::server {

GlossaryBatch::GlossaryBatch(GlossaryWay way, std::vector<GlossaryTerm> pairTerms,
                             const std::vector<std::string>& texts)
{
    for (const std::string& text : texts) {
        present_.push_back(TermsIn(text, pairTerms));
        if (way == GlossaryWay::Placeholders && !present_.back().empty()) {
            ProtectedText hidden = ProtectTerms(text, pairTerms);
            texts_.push_back(std::move(hidden.text));
            placed_.push_back(std::move(hidden.placed));
            continue;
        }
        texts_.push_back(text);
        placed_.emplace_back();
        for (const GlossaryTerm& term : present_.back()) {
            const bool known = std::any_of(glossary_.present.begin(), glossary_.present.end(),
                                           [&](const GlossaryTerm& seen) { return seen.term == term.term; });
            if (!known && way != GlossaryWay::Placeholders)
                glossary_.present.push_back(term);
        }
    }
    if (way != GlossaryWay::Placeholders)
        glossary_.pair = std::move(pairTerms);
}

std::string GlossaryBatch::finish(size_t index, std::string_view answer, std::vector<std::string>& missing) const
{
    std::string text = placed_[index].empty() ? std::string(answer) : RestoreTerms(answer, placed_[index]);
    missing = MissingTerms(text, present_[index]);
    return text;
}

} // namespace quillo::server
