#include "server/pages/HtmlShape.h"

#include "server/pages/HtmlCharacters.h"

#include <algorithm>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

namespace quillo::server {

namespace {

using Names = std::initializer_list<std::string_view>;

bool isOneOf(std::string_view name, Names names)
{
    return std::find(names.begin(), names.end(), name) != names.end();
}

const Names kVoidElements{"area", "base", "basefont", "bgsound", "br", "col", "embed", "frame", "hr",
                          "image", "img", "input", "keygen", "link", "meta", "param", "source",
                          "track", "wbr"};
// Elements whose text runs to their own end tag, markup and all.
const Names kRawTextElements{"script", "style", "xmp", "iframe", "noembed", "noframes", "textarea",
                             "title"};
// The parser keeps one of each, whatever the page repeats.
const Names kSingleElements{"html", "head", "body", "frameset"};
// Start tags that close an open <p>.
const Names kParagraphClosers{"address", "article", "aside", "blockquote", "center", "details",
                              "dialog", "dir", "div", "dl", "fieldset", "figcaption", "figure",
                              "footer", "form", "h1", "h2", "h3", "h4", "h5", "h6", "header",
                              "hgroup", "hr", "main", "menu", "nav", "ol", "p", "pre", "section",
                              "summary", "table", "ul", "li", "dd", "dt", "listing"};
// What a closing search does not look past.
const Names kScopeBoundaries{"button", "table", "td", "th", "caption", "marquee", "object",
                             "applet", "html", "template"};
const Names kHeadings{"h1", "h2", "h3", "h4", "h5", "h6"};

class ShapeScanner {
public:
    ShapeScanner(std::string_view html, const HtmlShapeLimits& limits) : html_(html), limits_(limits) {}

    HtmlShape run()
    {
        while (shape_.verdict == HtmlShape::Verdict::Fits && at_ < html_.size()) {
            at_ = html_.find('<', at_);
            if (at_ == std::string_view::npos)
                break;
            markup();
        }
        return shape_;
    }

private:
    char peek(size_t ahead) const { return at_ + ahead < html_.size() ? html_[at_ + ahead] : '\0'; }

    void skipPast(std::string_view marker)
    {
        const size_t found = html_.find(marker, at_);
        at_ = found == std::string_view::npos ? html_.size() : found + marker.size();
    }

    // At a "<": a tag, a comment or declaration, or a plain "<" of the text.
    void markup()
    {
        if (html_.substr(at_, 4) == "<!--") {
            at_ += 4;
            skipPast("-->");
        } else if (peek(1) == '!' || peek(1) == '?') {
            skipPast(">");
        } else if (peek(1) == '/' && IsAsciiLetter(peek(2))) {
            at_ += 2;
            const std::string name = readName();
            readAttributes();
            endTag(name);
        } else if (peek(1) == '/') {
            skipPast(">"); // "</" and no name: a comment to the parser
        } else if (IsAsciiLetter(peek(1))) {
            ++at_;
            const std::string name = readName();
            const bool selfClosing = readAttributes();
            startTag(name, selfClosing);
        } else {
            ++at_;
        }
    }

    std::string readName()
    {
        std::string name;
        while (at_ < html_.size() && !IsHtmlSpace(html_[at_]) && html_[at_] != '/' && html_[at_] != '>')
            name.push_back(LowerAscii(html_[at_++]));
        return name;
    }

    void skipSpace()
    {
        while (at_ < html_.size() && IsHtmlSpace(html_[at_]))
            ++at_;
    }

    // Up to and past the tag's ">"; counts the attributes and tells whether the tag ends in "/>".
    bool readAttributes()
    {
        size_t count = 0;
        for (;;) {
            skipSpace();
            if (at_ >= html_.size())
                break;
            if (html_[at_] == '>') {
                ++at_;
                break;
            }
            if (html_[at_] == '/') {
                ++at_;
                if (peek(0) == '>') {
                    ++at_;
                    noteAttributes(count);
                    return true;
                }
                continue;
            }
            ++count;
            readAttribute();
        }
        noteAttributes(count);
        return false;
    }

    void readAttribute()
    {
        ++at_; // the first character of the name may be "="
        while (at_ < html_.size() && !IsHtmlSpace(html_[at_]) && html_[at_] != '/' && html_[at_] != '>'
               && html_[at_] != '=')
            ++at_;
        skipSpace();
        if (peek(0) != '=')
            return;
        ++at_;
        skipSpace();
        const char quote = peek(0);
        if (quote == '"' || quote == '\'') {
            ++at_;
            skipPast(std::string_view(&quote, 1));
            return;
        }
        while (at_ < html_.size() && !IsHtmlSpace(html_[at_]) && html_[at_] != '>')
            ++at_;
    }

    void noteAttributes(size_t count)
    {
        shape_.attributes = std::max(shape_.attributes, count);
        if (count > limits_.maxAttributes)
            shape_.verdict = HtmlShape::Verdict::TooManyAttributes;
    }

    void startTag(const std::string& name, bool selfClosing)
    {
        if (isOneOf(name, kSingleElements))
            return;
        closeForSibling(name);
        if (isOneOf(name, kVoidElements) || (selfClosing && (foreign_ > 0 || name == "svg" || name == "math")))
            return;
        if (foreign_ == 0 && isOneOf(name, kRawTextElements))
            return skipRawText(name);
        if (foreign_ == 0 && name == "plaintext") {
            at_ = html_.size(); // the rest of the page is its text
            return;
        }
        open_.push_back(name);
        foreign_ += name == "svg" || name == "math";
        shape_.depth = std::max(shape_.depth, open_.size());
        if (open_.size() > limits_.maxDepth)
            shape_.verdict = HtmlShape::Verdict::TooDeep;
    }

    void endTag(const std::string& name)
    {
        if (const auto index = findOpen({name}, {}))
            popFrom(*index);
    }

    // The elements a start tag closes before it opens (HTML's implied end tags, in short).
    void closeForSibling(const std::string& name)
    {
        std::optional<size_t> closed;
        if (isOneOf(name, kParagraphClosers))
            closed = findOpen({"p"}, kScopeBoundaries);
        if (name == "li")
            closed = findOpen({"li"}, {"ul", "ol", "menu", "table", "td", "th"});
        else if (name == "dd" || name == "dt")
            closed = findOpen({"dd", "dt"}, {"dl", "table", "td", "th"});
        else if (name == "option" || name == "optgroup")
            closed = closedOptions(name);
        else if (name == "tr")
            closed = findOpen({"tr"}, {"table"});
        else if (name == "td" || name == "th")
            closed = findOpen({"td", "th"}, {"tr", "table"});
        else if (name == "tbody" || name == "thead" || name == "tfoot")
            closed = findOpen({"tbody", "thead", "tfoot"}, {"table"});
        else if (name == "rb" || name == "rt" || name == "rtc" || name == "rp")
            closed = findOpen({"rb", "rt", "rtc", "rp"}, {"ruby"});
        else if (name == "a" || name == "nobr" || name == "button")
            closed = findOpen({name}, kScopeBoundaries);
        else if (isOneOf(name, kHeadings) && !open_.empty() && isOneOf(open_.back(), kHeadings))
            closed = open_.size() - 1;
        if (closed)
            popFrom(*closed);
    }

    // An option closes an option just before it; an option group closes that and a group.
    std::optional<size_t> closedOptions(const std::string& name) const
    {
        size_t keep = open_.size();
        if (keep > 0 && open_[keep - 1] == "option")
            --keep;
        if (name == "optgroup" && keep > 0 && open_[keep - 1] == "optgroup")
            --keep;
        return keep < open_.size() ? std::optional<size_t>(keep) : std::nullopt;
    }

    // The topmost open element named in `names`, searching down no further than a boundary.
    std::optional<size_t> findOpen(Names names, Names boundaries) const
    {
        for (size_t i = open_.size(); i-- > 0;) {
            if (isOneOf(open_[i], names))
                return i;
            if (isOneOf(open_[i], boundaries))
                break;
        }
        return std::nullopt;
    }

    void popFrom(size_t index)
    {
        for (size_t i = index; i < open_.size(); ++i)
            foreign_ -= open_[i] == "svg" || open_[i] == "math";
        open_.resize(index);
    }

    void skipRawText(std::string_view name)
    {
        for (size_t at = html_.find("</", at_); at != std::string_view::npos; at = html_.find("</", at + 2)) {
            const size_t end = at + 2 + name.size();
            if (end > html_.size())
                break;
            const bool named = std::equal(name.begin(), name.end(), html_.begin() + at + 2,
                                          [](char a, char b) { return a == LowerAscii(b); });
            if (named && (end == html_.size() || IsHtmlSpace(html_[end]) || html_[end] == '/' || html_[end] == '>')) {
                at_ = at; // the end tag is read as any other
                return;
            }
        }
        at_ = html_.size();
    }

    std::string_view html_;
    HtmlShapeLimits limits_;
    size_t at_ = 0;
    std::vector<std::string> open_;
    size_t foreign_ = 0; // open svg and math elements: there "/>" closes any element
    HtmlShape shape_;
};

} // namespace

HtmlShape MeasureHtmlShape(std::string_view html, const HtmlShapeLimits& limits)
{
    return ShapeScanner(html, limits).run();
}

} // namespace quillo::server
