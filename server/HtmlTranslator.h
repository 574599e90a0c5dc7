#pragma once
// Translates the text of an HTML page and keeps its markup. A forgiving tokenizer walks the
// page: comments, declarations and the contents of script and style pass through untouched;
// every text run with letters in it goes to the translator (character references decoded,
// blanks folded outside <pre>), its surrounding white space kept; links in start tags are made
// absolute against the page's address (or its <base>), so that the translated copy, served
// from another host, still points where the original did.

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace quillo::server {

struct HtmlTranslationLimits {
    size_t maxRuns = 5000;          // text runs translated per page; later ones stay as they are
    size_t maxCharacters = 200000;  // bytes of text translated per page
};

class HtmlTranslator {
public:
    // Returns the translation of one text run (plain UTF-8 text in, plain text out), or
    // nullopt when the engine failed: the run and every later one then stay untranslated.
    using TranslateRun = std::function<std::optional<std::string>(const std::string&)>;

    HtmlTranslator(TranslateRun translate, HtmlTranslationLimits limits = {});

    std::string translate(std::string_view html, const std::string& pageUrl);
    size_t translatedRuns() const { return translatedRuns_; }
    bool engineFailed() const { return engineFailed_; }

    static std::string decodeCharacterReferences(std::string_view text);
    // The charset a page declares: the Content-Type header's, else a <meta> near the top;
    // empty when neither says.
    static std::string declaredCharset(std::string_view contentType, std::string_view html);

private:
    std::string translateText(std::string_view raw, bool preformatted);
    std::string rewriteStartTag(std::string_view tag);
    std::string absolute(const std::string& value) const;

    TranslateRun translateRun_;
    HtmlTranslationLimits limits_;
    std::string baseUrl_;
    size_t translatedRuns_ = 0;
    size_t translatedCharacters_ = 0;
    bool engineFailed_ = false;
};

} // namespace quillo::server
