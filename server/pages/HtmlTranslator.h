#pragma once
// Translates the text of an HTML page and keeps its markup. The page is parsed by an HTML5
// parser (gumbo), so script, style, comments, <textarea>, <title> and the other raw-text and
// RCDATA elements end exactly where a browser ends them. The output is the page's own bytes
// with two kinds of splices, placed by the parser's source positions:
// - a text node with letters in it is replaced by its translation, HTML-escaped, its
//   surrounding white space kept (blanks folded outside <pre> and <textarea>);
// - a link attribute (href, src, ...) gets its absolute address against the page's address
//   or its <base>, and a <meta> charset declaration becomes UTF-8, each as a quoted, escaped
//   value.
// Everything else stays byte for byte as the page had it. An escaped splice holds no "<" and
// no unescaped "&" or quote, so it cannot open, close or lengthen any markup around it: the
// copy has the same elements, scripts and attributes as the original, only other text.
// The page's runs go to the engine together, in pieces of a bounded size, so an engine that
// can take many texts in one exchange translates the page in a few.
// A page whose markup would cost the parser far more than its size (nesting deeper than
// browsers render, thousands of attributes on a tag, or a tree beyond the parse's budget of
// memory and processor time) is refused before or during the parse, with a sentence for the
// reader.

#include "server/pages/GumboArena.h"
#include "server/pages/HtmlShape.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillo::server {

// Runs beyond the first two limits stay as they are and are counted in untranslatedRuns().
struct HtmlTranslationLimits {
    size_t maxRuns = 20000;          // text runs translated per page
    size_t maxCharacters = 1000000;  // bytes of text translated per page
    size_t pieceCharacters = 200000; // bytes of text sent to the engine at once (one run at least)
    HtmlShapeLimits shape;           // checked before the parse
    ParseBudget parse;               // held during the parse
};

// Why a page was not translated at all.
struct HtmlRefusal {
    enum class Kind { TooDeep, TooManyAttributes, TooMuchMemory, TooMuchTime };
    Kind kind;
    std::string sentence; // for the reader, in Chinese
    std::string detail;   // for the log
};

// The translated copy, or the refusal.
struct HtmlTranslation {
    std::string page;
    std::optional<HtmlRefusal> refusal;
};

class HtmlTranslator {
public:
    // The translations of a piece of the page's text runs (plain UTF-8 text in, plain text
    // out), one for each run, in order; nullopt for a run the engine failed on. A run that
    // failed stays untranslated, and so do the later pieces: a failing engine is not asked again.
    using TranslateRuns =
        std::function<std::vector<std::optional<std::string>>(const std::vector<std::string>&)>;
    // One run at a time, for engines that take one text per exchange; after a failure it asks
    // no more.
    using TranslateRun = std::function<std::optional<std::string>(const std::string&)>;

    HtmlTranslator(TranslateRuns translate, HtmlTranslationLimits limits = {});
    HtmlTranslator(TranslateRun translate, HtmlTranslationLimits limits = {});

    // The translated page (UTF-8 in, UTF-8 out), or why it is refused.
    HtmlTranslation translate(std::string_view html, const std::string& pageUrl);
    size_t translatedRuns() const { return translatedRuns_; }
    // Runs with letters left as they were: beyond the limits, or after the engine failed.
    size_t untranslatedRuns() const { return untranslatedRuns_; }
    bool limitReached() const { return limitReached_; }
    bool engineFailed() const { return engineFailed_; }

private:
    struct Splice;
    struct AttributeSite;
    struct TextRun;

    std::optional<HtmlRefusal> refuseShape(std::string_view html) const;
    std::string translateTree(std::string_view html, const GumboNode* document);
    void translateRuns(const std::vector<TextRun>& runs, std::vector<Splice>& splices);
    void translatePiece(const std::vector<TextRun>& runs, size_t first, size_t end,
                        std::vector<Splice>& splices);
    std::optional<std::string> rewriteAttribute(const AttributeSite& site);
    std::string absolute(const std::string& value) const;

    TranslateRuns translateRuns_;
    HtmlTranslationLimits limits_;
    std::string baseUrl_;
    size_t translatedRuns_ = 0;
    size_t untranslatedRuns_ = 0;
    bool limitReached_ = false;
    bool engineFailed_ = false;
};

} // namespace quillo::server
