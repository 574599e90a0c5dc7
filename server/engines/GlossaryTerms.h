#pragma once
// The user's terms, applied to a translation. Each engine keeps them its own way (its
// glossaryWay): a language model is told the terms present in the text; DeepL gets a glossary of
// its own; every other engine gets each term replaced by a placeholder it leaves alone, put back
// as the term's translation afterwards. Whatever the way, a term whose translation did not come
// out is reported as missing.
//
// A term is found as a whole word where its script separates words (Latin, Greek, Cyrillic,
// Hangul): "cat" is not found in "category". Chinese and Japanese have no blanks between words:
// there the longest term that starts at a place wins.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace quillo::server {

struct ServiceLanguage;

struct GlossaryTerm {
    std::string term;        // as it appears in the source language
    std::string translation; // what it must become
    std::string note;        // for people (and a model's prompt), optional
};

// How an engine keeps the user's terms.
enum class GlossaryWay {
    Placeholders, // the terms are replaced before and put back after it translates
    Prompt,       // it tells a language model the terms present in the text
    Native,       // it hands them to the service's own glossary feature
};

// The terms of the pair of a request.
struct RequestGlossary {
    std::vector<GlossaryTerm> pair;    // every term of the pair (DeepL's glossary holds them all)
    std::vector<GlossaryTerm> present; // those that occur in the text (a model's prompt names only these)
};

// The terms kept for a pair, whoever keeps them; called for each translation.
using GlossaryLookup =
    std::function<std::vector<GlossaryTerm>(const ServiceLanguage& source, const ServiceLanguage& target)>;

// One occurrence of a term in a text: where (in code points) and which term.
struct TermMatch {
    size_t offset = 0;
    size_t length = 0;
    size_t term = 0; // index into the terms searched
};

// Every occurrence, left to right, none overlapping; matching ignores case.
std::vector<TermMatch> FindTerms(std::string_view text, const std::vector<GlossaryTerm>& terms);
// The terms that occur in the text, each once, in the order of their first occurrence.
std::vector<GlossaryTerm> TermsIn(std::string_view text, const std::vector<GlossaryTerm>& terms);

// A text with its terms replaced by placeholders, and what each placeholder stands for.
struct ProtectedText {
    std::string text;
    std::vector<GlossaryTerm> placed; // placeholder n (from 1) stands for placed[n - 1]
};
ProtectedText ProtectTerms(std::string_view text, const std::vector<GlossaryTerm>& terms);
// The engine's output with each placeholder replaced by its term's translation. Engines may mark
// an unknown word (Apertium's "*") or put blanks inside it; both are taken with it.
std::string RestoreTerms(std::string_view translated, const std::vector<GlossaryTerm>& placed);

// The source terms among `present` whose translation does not occur in `translation`.
std::vector<std::string> MissingTerms(std::string_view translation, const std::vector<GlossaryTerm>& present);

// Texts of one pair prepared for one engine by its way, and its answers finished: placeholders put
// back, the terms that did not come out found.
class GlossaryBatch {
public:
    GlossaryBatch(GlossaryWay way, std::vector<GlossaryTerm> pairTerms, const std::vector<std::string>& texts);
    // The texts as the engine gets them.
    const std::vector<std::string>& texts() const { return texts_; }
    // What the request tells an engine that keeps the terms itself.
    const RequestGlossary& glossary() const { return glossary_; }
    // The answer to text `index` with its terms put back; `missing` gets the terms that did not come out.
    std::string finish(size_t index, std::string_view answer, std::vector<std::string>& missing) const;

private:
    std::vector<std::string> texts_;
    std::vector<std::vector<GlossaryTerm>> present_; // per text
    std::vector<std::vector<GlossaryTerm>> placed_;  // per text, for placeholders
    RequestGlossary glossary_;
};

// The lines that ask a language model to keep the terms; empty when there are none.
std::string GlossaryPromptLines(const std::vector<GlossaryTerm>& present);

} // namespace quillo::server
