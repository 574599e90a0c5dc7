#include "server/pages/HtmlTranslator.h"

#include "server/base/TextCodec.h"
#include "server/pages/HtmlCharacters.h"
#include "server/pages/HtmlTree.h"

#include <QString>
#include <QUrl>

#include <algorithm>
#include <array>
#include <unordered_map>
#include <utility>
#include <vector>

namespace quillo::server {

namespace {

// Letters outside ASCII count too: any byte of a multi-byte character.
bool hasLetters(std::string_view text)
{
    return std::any_of(text.begin(), text.end(), [](char c) {
        return IsAsciiLetter(c) || static_cast<unsigned char>(c) >= 0x80;
    });
}

bool containsIgnoringCase(std::string_view text, std::string_view needle)
{
    return std::search(text.begin(), text.end(), needle.begin(), needle.end(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a))
                   == std::tolower(static_cast<unsigned char>(b));
           })
        != text.end();
}

std::string foldBlanks(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    bool blank = false;
    for (char c : text) {
        if (IsHtmlSpace(c)) {
            blank = true;
            continue;
        }
        if (blank && !out.empty())
            out.push_back(' ');
        blank = false;
        out.push_back(c);
    }
    return out;
}

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && IsHtmlSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsHtmlSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

bool isLinkAttribute(std::string_view name)
{
    static constexpr std::array<std::string_view, 8> names{
        "href", "src", "action", "background", "poster", "cite", "formaction", "data"};
    return std::find(names.begin(), names.end(), name) != names.end();
}

bool isHtml(const GumboNode* node, std::initializer_list<GumboTag> tags)
{
    return node->type == GUMBO_NODE_ELEMENT && node->v.element.tag_namespace == GUMBO_NAMESPACE_HTML
        && std::find(tags.begin(), tags.end(), node->v.element.tag) != tags.end();
}

// Text that is not shown as text (scripts, styles, raw-text elements, and <noscript>, which a
// browser running scripts does not render) is never sent to the engine.
bool holdsNoReadableText(const GumboNode* element)
{
    if (element->type != GUMBO_NODE_ELEMENT)
        return false;
    const GumboTag tag = element->v.element.tag;
    return tag == GUMBO_TAG_SCRIPT || tag == GUMBO_TAG_STYLE
        || isHtml(element, {GUMBO_TAG_XMP, GUMBO_TAG_IFRAME, GUMBO_TAG_NOEMBED, GUMBO_TAG_NOFRAMES,
                            GUMBO_TAG_PLAINTEXT, GUMBO_TAG_NOSCRIPT});
}

// A text node's source range runs up to the next token the parser used, so it can take in a
// tag the parser dropped (a stray end tag, a second <body>). Such a node is left as written:
// replacing it would drop the tag. In <title> and <textarea> everything up to the end tag is
// text, "<" included.
bool isPlainTextSource(std::string_view raw, const GumboNode* parent)
{
    if (isHtml(parent, {GUMBO_TAG_TITLE, GUMBO_TAG_TEXTAREA}))
        return true;
    for (size_t at = raw.find('<'); at != std::string_view::npos; at = raw.find('<', at + 1)) {
        if (at + 1 < raw.size()) {
            const char next = raw[at + 1];
            if (IsAsciiLetter(next) || next == '/' || next == '!' || next == '?')
                return false;
        }
    }
    return true;
}

// Where a string the parser handed out starts in the page, if it points into it.
std::optional<size_t> offsetIn(std::string_view html, const GumboStringPiece& piece)
{
    if (!piece.data || piece.data < html.data() || piece.data + piece.length > html.data() + html.size())
        return std::nullopt;
    return static_cast<size_t>(piece.data - html.data());
}

} // namespace

struct HtmlTranslator::Splice {
    size_t begin;
    size_t end;
    std::string replacement;
};

struct HtmlTranslator::TextRun {
    size_t begin;       // of the text as written
    std::string_view raw;
    std::string source; // what the engine gets: decoded, trimmed, blanks folded outside <pre>
};

struct HtmlTranslator::AttributeSite {
    const GumboNode* element;
    const GumboAttribute* attribute;
    size_t offset; // of the value as written, quotes included
};

HtmlTranslator::HtmlTranslator(TranslateRuns translate, HtmlTranslationLimits limits)
    : translateRuns_(std::move(translate)), limits_(limits)
{
}

HtmlTranslator::HtmlTranslator(TranslateRun translate, HtmlTranslationLimits limits)
    : HtmlTranslator(TranslateRuns([translate = std::move(translate)](const std::vector<std::string>& runs) {
                         std::vector<std::optional<std::string>> translations;
                         for (const std::string& run : runs) {
                             if (!translations.empty() && !translations.back())
                                 break; // the runs not answered count as failed
                             translations.push_back(translate(run));
                         }
                         return translations;
                     }),
                     limits)
{
}

std::optional<HtmlRefusal> HtmlTranslator::refuseShape(std::string_view html) const
{
    const HtmlShape shape = MeasureHtmlShape(html, limits_.shape);
    switch (shape.verdict) {
    case HtmlShape::Verdict::Fits:
        return std::nullopt;
    case HtmlShape::Verdict::TooDeep:
        return HtmlRefusal{HtmlRefusal::Kind::TooDeep,
                           "网页的元素嵌套超过 " + std::to_string(limits_.shape.maxDepth)
                               + " 层，浏览器也无法按原样显示，本服务器不予翻译。",
                           "elements nested deeper than " + std::to_string(limits_.shape.maxDepth)};
    case HtmlShape::Verdict::TooManyAttributes:
        return HtmlRefusal{HtmlRefusal::Kind::TooManyAttributes,
                           "网页中有标签带有超过 " + std::to_string(limits_.shape.maxAttributes)
                               + " 个属性，本服务器不予翻译。",
                           "a tag with more than " + std::to_string(limits_.shape.maxAttributes) + " attributes"};
    }
    return std::nullopt;
}

HtmlTranslation HtmlTranslator::translate(std::string_view html, const std::string& pageUrl)
{
    baseUrl_ = pageUrl;
    translatedRuns_ = 0;
    untranslatedRuns_ = 0;
    limitReached_ = false;
    engineFailed_ = false;
    if (auto refusal = refuseShape(html))
        return {{}, std::move(refusal)};
    const HtmlTree tree(html, limits_.parse);
    switch (tree.outcome()) {
    case GumboArena::Outcome::Parsed:
        return {translateTree(html, tree.document()), std::nullopt};
    case GumboArena::Outcome::OutOfMemory:
        return {{}, HtmlRefusal{HtmlRefusal::Kind::TooMuchMemory,
                                "网页的结构过于复杂，解析它所需的内存超出了本服务器的限制，不予翻译。",
                                "parsing needs more than " + std::to_string(limits_.parse.memoryBytes >> 20)
                                    + " MiB"}};
    case GumboArena::Outcome::OutOfTime:
        return {{}, HtmlRefusal{HtmlRefusal::Kind::TooMuchTime,
                                "网页的结构过于复杂，解析它所需的时间超出了本服务器的限制，不予翻译。",
                                "parsing takes more than " + std::to_string(limits_.parse.processorTime.count())
                                    + " ms of processor time"}};
    }
    return {};
}

std::string HtmlTranslator::translateTree(std::string_view html, const GumboNode* document)
{
    std::vector<Splice> splices;
    std::vector<TextRun> runs;
    std::vector<AttributeSite> sites;
    const HtmlTree tree(html);

    // Depth first in document order, without recursion: pages nest deeply.
    struct Visit {
        const GumboNode* node;
        bool preformatted;
    };
    std::vector<Visit> pending{{document, false}};
    while (!pending.empty()) {
        const Visit visit = pending.back();
        pending.pop_back();
        const GumboNode* node = visit.node;
        if (node->type == GUMBO_NODE_TEXT) {
            const auto begin = offsetIn(html, node->v.text.original_text);
            if (!begin || holdsNoReadableText(node->parent))
                continue;
            const std::string_view raw = html.substr(*begin, node->v.text.original_text.length);
            const std::string_view decoded = node->v.text.text;
            if (!isPlainTextSource(raw, node->parent) || !hasLetters(decoded))
                continue;
            const std::string_view text = trimmed(decoded);
            runs.push_back({*begin, raw, visit.preformatted ? std::string(text) : foldBlanks(text)});
            continue;
        }
        for (const GumboAttribute* attribute : HtmlTree::attributes(node)) {
            if (const auto offset = offsetIn(html, attribute->original_value))
                sites.push_back({node, attribute, *offset});
        }
        const bool preformatted = visit.preformatted
            || isHtml(node, {GUMBO_TAG_PRE, GUMBO_TAG_LISTING, GUMBO_TAG_TEXTAREA});
        const auto children = HtmlTree::children(node);
        for (size_t i = children.size(); i-- > 0;)
            pending.push_back({children[i], preformatted});
    }

    translateRuns(runs, splices);

    // Attributes in the order they were written: a <base> changes how later links resolve.
    std::stable_sort(sites.begin(), sites.end(),
                     [](const AttributeSite& a, const AttributeSite& b) { return a.offset < b.offset; });
    for (const AttributeSite& site : sites) {
        if (auto value = rewriteAttribute(site))
            splices.push_back({site.offset, site.offset + site.attribute->original_value.length,
                               "\"" + HtmlEscape(*value) + "\""});
    }

    std::stable_sort(splices.begin(), splices.end(),
                     [](const Splice& a, const Splice& b) { return a.begin < b.begin; });
    std::string out;
    out.reserve(html.size() + html.size() / 4);
    size_t copied = 0;
    for (const Splice& splice : splices) {
        if (splice.begin < copied) // the same source twice (a cloned element): spliced once
            continue;
        out += html.substr(copied, splice.begin - copied);
        out += splice.replacement;
        copied = splice.end;
    }
    out += html.substr(copied);
    return out;
}

void HtmlTranslator::translateRuns(const std::vector<TextRun>& runs, std::vector<Splice>& splices)
{
    size_t allowed = 0;
    size_t characters = 0;
    while (allowed < runs.size() && allowed < limits_.maxRuns
           && characters + runs[allowed].raw.size() <= limits_.maxCharacters)
        characters += runs[allowed++].raw.size();
    limitReached_ = allowed < runs.size();
    untranslatedRuns_ += runs.size() - allowed;
    for (size_t first = 0; first < allowed;) {
        size_t end = first + 1;
        size_t piece = runs[first].source.size();
        while (end < allowed && piece + runs[end].source.size() <= limits_.pieceCharacters)
            piece += runs[end++].source.size();
        translatePiece(runs, first, end, splices);
        first = end;
    }
}

void HtmlTranslator::translatePiece(const std::vector<TextRun>& runs, size_t first, size_t end,
                                    std::vector<Splice>& splices)
{
    if (engineFailed_) {
        untranslatedRuns_ += end - first;
        return;
    }
    // A text that comes back on a page (menus, labels, "more") is sent once.
    std::vector<std::string> texts;
    std::vector<size_t> textOfRun(end - first);
    std::unordered_map<std::string_view, size_t> seen;
    for (size_t i = first; i < end; ++i) {
        const auto [at, added] = seen.emplace(runs[i].source, texts.size());
        if (added)
            texts.push_back(runs[i].source);
        textOfRun[i - first] = at->second;
    }
    std::vector<std::optional<std::string>> translations = translateRuns_(texts);
    translations.resize(texts.size()); // texts left unanswered count as failed
    for (size_t i = first; i < end; ++i) {
        const std::optional<std::string>& translated = translations[textOfRun[i - first]];
        if (!translated) {
            engineFailed_ = true;
            ++untranslatedRuns_;
            continue;
        }
        ++translatedRuns_;
        const TextRun& run = runs[i];
        const std::string_view core = trimmed(run.raw);
        const size_t lead = static_cast<size_t>(core.data() - run.raw.data());
        splices.push_back({run.begin, run.begin + run.raw.size(),
                           std::string(run.raw.substr(0, lead)) + HtmlEscape(*translated)
                               + std::string(run.raw.substr(lead + core.size()))});
    }
}

// The new value of a link attribute (absolute) or of a <meta> charset declaration (UTF-8, as
// the copy is served whatever the original was written in); nullopt to leave it as written.
std::optional<std::string> HtmlTranslator::rewriteAttribute(const AttributeSite& site)
{
    const std::string_view name = site.attribute->name;
    const std::string value = site.attribute->value;
    if (isLinkAttribute(name)) {
        const std::string resolved = absolute(value);
        if (isHtml(site.element, {GUMBO_TAG_BASE}) && name == "href")
            baseUrl_ = resolved;
        if (resolved == value) // already absolute, a fragment or another scheme
            return std::nullopt;
        return resolved;
    }
    if (!isHtml(site.element, {GUMBO_TAG_META}))
        return std::nullopt;
    if (name == "charset")
        return "utf-8";
    if (name == "content" && containsIgnoringCase(value, "charset="))
        return "text/html; charset=utf-8";
    return std::nullopt;
}

std::string HtmlTranslator::absolute(const std::string& value) const
{
    const QString text = QString::fromStdString(value).trimmed();
    const QUrl url(text);
    // Addresses with a scheme, bare fragments and empty values stay exactly as written.
    if (text.isEmpty() || text.startsWith(u'#') || !url.isRelative() || !url.isValid())
        return value;
    const QUrl base(QString::fromStdString(baseUrl_));
    return base.resolved(url).toString(QUrl::FullyEncoded).toStdString();
}

} // namespace quillo::server
