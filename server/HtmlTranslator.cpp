#include "server/HtmlTranslator.h"

#include "server/TextCodec.h"

#include <QString>
#include <QUrl>

#include <algorithm>
#include <array>
#include <cctype>
#include <utility>

namespace quillo::server {

namespace {

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

bool isAsciiLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

std::string lower(std::string_view text)
{
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

size_t findIgnoringCase(std::string_view haystack, std::string_view needle, size_t from)
{
    const auto it = std::search(haystack.begin() + static_cast<std::ptrdiff_t>(from), haystack.end(),
                                needle.begin(), needle.end(), [](char a, char b) {
                                    return std::tolower(static_cast<unsigned char>(a))
                                        == std::tolower(static_cast<unsigned char>(b));
                                });
    return it == haystack.end() ? std::string_view::npos
                                : static_cast<size_t>(it - haystack.begin());
}

// Letters outside ASCII count too: any byte of a multi-byte character.
bool hasLetters(std::string_view text)
{
    return std::any_of(text.begin(), text.end(), [](char c) {
        return isAsciiLetter(c) || static_cast<unsigned char>(c) >= 0x80;
    });
}

void appendUtf8(std::string& out, uint32_t code)
{
    if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        code = 0xFFFD;
    if (code < 0x80) {
        out.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (code >> 6)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (code >> 12)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (code >> 18)));
        out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
}

std::optional<uint32_t> namedReference(std::string_view name)
{
    static constexpr std::array<std::pair<std::string_view, uint32_t>, 20> names{{
        {"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''},
        {"nbsp", 0xA0}, {"copy", 0xA9}, {"reg", 0xAE}, {"trade", 0x2122}, {"hellip", 0x2026},
        {"mdash", 0x2014}, {"ndash", 0x2013}, {"laquo", 0xAB}, {"raquo", 0xBB},
        {"middot", 0xB7}, {"lsquo", 0x2018}, {"rsquo", 0x2019}, {"ldquo", 0x201C},
        {"rdquo", 0x201D}, {"bull", 0x2022},
    }};
    for (const auto& [key, code] : names) {
        if (key == name)
            return code;
    }
    return std::nullopt;
}

std::optional<uint32_t> numericReference(std::string_view digits)
{
    const bool hex = !digits.empty() && (digits[0] == 'x' || digits[0] == 'X');
    if (hex)
        digits.remove_prefix(1);
    if (digits.empty() || digits.size() > 8)
        return std::nullopt;
    uint32_t value = 0;
    for (char c : digits) {
        const int digit = std::isdigit(static_cast<unsigned char>(c)) ? c - '0'
            : hex && std::isxdigit(static_cast<unsigned char>(c))
            ? std::tolower(static_cast<unsigned char>(c)) - 'a' + 10
            : -1;
        if (digit < 0)
            return std::nullopt;
        value = value * (hex ? 16 : 10) + static_cast<uint32_t>(digit);
    }
    return value;
}

std::string foldBlanks(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    bool blank = false;
    for (char c : text) {
        if (isSpace(c)) {
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

// End of a tag that starts at `from` ('<'): the first '>' outside quotes, or npos.
size_t tagEnd(std::string_view html, size_t from)
{
    char quote = 0;
    for (size_t i = from + 1; i < html.size(); ++i) {
        const char c = html[i];
        if (quote) {
            if (c == quote)
                quote = 0;
        } else if (c == '"' || c == '\'') {
            // Quotes only open a value right after "=" (possibly with blanks between).
            size_t back = i;
            while (back > from && isSpace(html[back - 1]))
                --back;
            if (back > from && html[back - 1] == '=')
                quote = c;
        } else if (c == '>') {
            return i;
        }
    }
    return std::string_view::npos;
}

bool startsTag(std::string_view html, size_t at)
{
    if (at + 1 >= html.size())
        return false;
    const char next = html[at + 1];
    return isAsciiLetter(next) || next == '/' || next == '!' || next == '?';
}

std::string tagName(std::string_view tag)
{
    size_t i = 1;
    if (i < tag.size() && tag[i] == '/')
        ++i;
    const size_t start = i;
    while (i < tag.size() && !isSpace(tag[i]) && tag[i] != '>' && tag[i] != '/')
        ++i;
    return lower(tag.substr(start, i - start));
}

bool isLinkAttribute(const std::string& name)
{
    static constexpr std::array<std::string_view, 8> names{
        "href", "src", "action", "background", "poster", "cite", "formaction", "data"};
    return std::find(names.begin(), names.end(), name) != names.end();
}

bool declaresCharset(const std::string& attribute, std::string_view value)
{
    return attribute == "charset"
        || (attribute == "content" && findIgnoringCase(value, "charset=", 0) != std::string_view::npos);
}

} // namespace

HtmlTranslator::HtmlTranslator(TranslateRun translate, HtmlTranslationLimits limits)
    : translateRun_(std::move(translate)), limits_(limits)
{
}

std::string HtmlTranslator::translate(std::string_view html, const std::string& pageUrl)
{
    baseUrl_ = pageUrl;
    std::string out;
    out.reserve(html.size() + html.size() / 4);
    int preDepth = 0;
    size_t pos = 0;
    while (pos < html.size()) {
        if (html[pos] != '<' || !startsTag(html, pos)) {
            size_t next = pos + 1;
            while (next < html.size() && !(html[next] == '<' && startsTag(html, next)))
                ++next;
            out += translateText(html.substr(pos, next - pos), preDepth > 0);
            pos = next;
            continue;
        }
        if (html.substr(pos, 4) == "<!--") {
            const size_t close = html.find("-->", pos + 4);
            const size_t end = close == std::string_view::npos ? html.size() : close + 3;
            out += html.substr(pos, end - pos);
            pos = end;
            continue;
        }
        const size_t close = tagEnd(html, pos);
        if (close == std::string_view::npos) { // a cut-off tag: keep the rest as it is
            out += html.substr(pos);
            break;
        }
        const std::string_view tag = html.substr(pos, close + 1 - pos);
        pos = close + 1;
        const std::string name = tagName(tag);
        if (tag[1] == '/' || tag[1] == '!' || tag[1] == '?') {
            if (name == "pre" && preDepth > 0)
                --preDepth;
            out += tag;
            continue;
        }
        out += rewriteStartTag(tag);
        if (name == "pre")
            ++preDepth;
        if (name == "script" || name == "style" || name == "title" || name == "textarea") {
            // Their content is not markup: take it up to the matching end tag.
            size_t end = findIgnoringCase(html, "</" + name, pos);
            if (end == std::string_view::npos)
                end = html.size();
            const std::string_view content = html.substr(pos, end - pos);
            const bool textual = name == "title" || name == "textarea";
            out += textual ? translateText(content, name == "textarea") : std::string(content);
            pos = end;
        }
    }
    return out;
}

std::string HtmlTranslator::translateText(std::string_view raw, bool preformatted)
{
    const bool worthIt = hasLetters(raw) && !engineFailed_ && translatedRuns_ < limits_.maxRuns
        && translatedCharacters_ + raw.size() <= limits_.maxCharacters;
    if (!worthIt)
        return std::string(raw);
    size_t first = 0;
    while (first < raw.size() && isSpace(raw[first]))
        ++first;
    size_t last = raw.size();
    while (last > first && isSpace(raw[last - 1]))
        --last;
    const std::string decoded = decodeCharacterReferences(raw.substr(first, last - first));
    const std::string source = preformatted ? decoded : foldBlanks(decoded);
    if (!hasLetters(source))
        return std::string(raw);
    const auto translated = translateRun_(source);
    if (!translated) {
        engineFailed_ = true;
        return std::string(raw);
    }
    ++translatedRuns_;
    translatedCharacters_ += raw.size();
    return std::string(raw.substr(0, first)) + HtmlEscape(*translated)
        + std::string(raw.substr(last));
}

// Copies the tag, replacing the values of link attributes by absolute addresses and a
// declared charset by UTF-8. A <base> changes the address later relative links resolve against.
std::string HtmlTranslator::rewriteStartTag(std::string_view tag)
{
    const std::string element = tagName(tag);
    const bool isBase = element == "base";
    const bool isMeta = element == "meta";
    std::string out;
    size_t i = 1;
    while (i < tag.size() && !isSpace(tag[i]) && tag[i] != '>' && tag[i] != '/')
        ++i;
    size_t copied = 0;
    while (i < tag.size()) {
        while (i < tag.size() && (isSpace(tag[i]) || tag[i] == '/'))
            ++i;
        const size_t nameStart = i;
        while (i < tag.size() && !isSpace(tag[i]) && tag[i] != '=' && tag[i] != '>' && tag[i] != '/')
            ++i;
        if (i == nameStart)
            break;
        const std::string name = lower(tag.substr(nameStart, i - nameStart));
        size_t look = i;
        while (look < tag.size() && isSpace(tag[look]))
            ++look;
        if (look >= tag.size() || tag[look] != '=')
            continue;
        i = look + 1;
        while (i < tag.size() && isSpace(tag[i]))
            ++i;
        const size_t valueStart = i;
        std::string_view value;
        if (i < tag.size() && (tag[i] == '"' || tag[i] == '\'')) {
            const size_t closeQuote = tag.find(tag[i], i + 1);
            const size_t end = closeQuote == std::string_view::npos ? tag.size() - 1 : closeQuote;
            value = tag.substr(i + 1, end - i - 1);
            i = std::min(end + 1, tag.size());
        } else {
            while (i < tag.size() && !isSpace(tag[i]) && tag[i] != '>')
                ++i;
            value = tag.substr(valueStart, i - valueStart);
        }
        std::string replacement;
        if (isLinkAttribute(name)) {
            const std::string written = decodeCharacterReferences(value);
            replacement = absolute(written);
            if (isBase && name == "href")
                baseUrl_ = replacement;
            if (replacement == written)
                continue; // already absolute, a fragment or another scheme: left as written
        } else if (isMeta && declaresCharset(name, value)) {
            // The copy is served as UTF-8 whatever the original page was written in.
            replacement = name == "charset" ? "utf-8" : "text/html; charset=utf-8";
        } else {
            continue;
        }
        out += tag.substr(copied, valueStart - copied);
        out += "\"" + HtmlEscape(replacement) + "\"";
        copied = i;
    }
    out += tag.substr(copied);
    return out;
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

std::string HtmlTranslator::decodeCharacterReferences(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        const size_t amp = text.find('&', i);
        if (amp == std::string_view::npos) {
            out += text.substr(i);
            break;
        }
        out += text.substr(i, amp - i);
        const size_t semi = text.find(';', amp + 1);
        std::optional<uint32_t> code;
        if (semi != std::string_view::npos && semi - amp <= 10) {
            const std::string_view body = text.substr(amp + 1, semi - amp - 1);
            code = !body.empty() && body[0] == '#' ? numericReference(body.substr(1))
                                                  : namedReference(body);
        }
        if (code) {
            appendUtf8(out, *code);
            i = semi + 1;
        } else {
            out.push_back('&');
            i = amp + 1;
        }
    }
    return out;
}

std::string HtmlTranslator::declaredCharset(std::string_view contentType, std::string_view html)
{
    auto valueAfter = [](std::string_view text, size_t at) {
        size_t i = at;
        while (i < text.size() && (text[i] == '"' || text[i] == '\'' || isSpace(text[i])))
            ++i;
        const size_t start = i;
        while (i < text.size() && (std::isalnum(static_cast<unsigned char>(text[i]))
                                   || text[i] == '-' || text[i] == '_' || text[i] == '.'
                                   || text[i] == ':'))
            ++i;
        return lower(text.substr(start, i - start));
    };
    const size_t inHeader = findIgnoringCase(contentType, "charset=", 0);
    if (inHeader != std::string_view::npos)
        return valueAfter(contentType, inHeader + 8);
    const std::string_view head = html.substr(0, std::min<size_t>(html.size(), 4096));
    for (size_t meta = findIgnoringCase(head, "<meta", 0); meta != std::string_view::npos;
         meta = findIgnoringCase(head, "<meta", meta + 5)) {
        const size_t end = head.find('>', meta);
        const std::string_view tag = head.substr(meta, end == std::string_view::npos
                                                            ? std::string_view::npos
                                                            : end - meta);
        const size_t at = findIgnoringCase(tag, "charset=", 0);
        if (at != std::string_view::npos)
            return valueAfter(tag, at + 8);
    }
    return {};
}

} // namespace quillo::server
