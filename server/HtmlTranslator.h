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

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace quillo::server {

struct HtmlTranslationLimits {
    size_t maxRuns = 5000;          // text runs translated per page; later ones stay as they are
    size_t maxCharacters = 200000;  // bytes of text translated per page
    // Tags (start and end) a page may hold at all. The parser's work grows with the nesting
    // depth times the number of tags, so a page of thousands of unclosed elements would hold a
    // thread for minutes; real pages stay far below this.
    size_t maxTags = 30000;
};

class HtmlTranslator {
public:
    // Returns the translation of one text run (plain UTF-8 text in, plain text out), or
    // nullopt when the engine failed: the run and every later one then stay untranslated.
    using TranslateRun = std::function<std::optional<std::string>(const std::string&)>;

    HtmlTranslator(TranslateRun translate, HtmlTranslationLimits limits = {});

    // The translated page (UTF-8 in, UTF-8 out), or nullopt when the page holds more tags than
    // the limits allow.
    std::optional<std::string> translate(std::string_view html, const std::string& pageUrl);
    size_t translatedRuns() const { return translatedRuns_; }
    bool engineFailed() const { return engineFailed_; }

    static size_t countTags(std::string_view html);

private:
    struct Splice;
    struct AttributeSite;

    std::optional<std::string> translateText(std::string_view raw, std::string_view decoded,
                                             bool preformatted);
    std::optional<std::string> rewriteAttribute(const AttributeSite& site);
    std::string absolute(const std::string& value) const;

    TranslateRun translateRun_;
    HtmlTranslationLimits limits_;
    std::string baseUrl_;
    size_t translatedRuns_ = 0;
    size_t translatedCharacters_ = 0;
    bool engineFailed_ = false;
};

} // namespace quillo::server
