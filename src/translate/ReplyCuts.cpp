#include "ReplyCuts.h"

#include "Encoding.h"
#include "core/CodePage.h"

#include <algorithm>
#include <cctype>
#include <limits>
#include <utility>

namespace quillo {

namespace {

// The cuts are defined on byte positions counted from 1, with 0 for "not found"; these two
// helpers keep that arithmetic in one place so that every cut clamps the same way.
constexpr qsizetype kToEnd = std::numeric_limits<qsizetype>::max() / 2;

qsizetype position(const QByteArray& marker, const QByteArray& s)
{
    if (marker.isEmpty())
        return 0;
    return s.indexOf(marker) + 1;
}

// A start below 1 counts as 1, a count of 0 or less gives nothing, and a cut never runs past
// the end.
QByteArray cut(const QByteArray& s, qsizetype start, qsizetype count)
{
    if (start < 1)
        start = 1;
    if (count <= 0 || start > s.size())
        return {};
    return s.mid(start - 1, std::min(count, s.size() - (start - 1)));
}

QByteArray cutToEnd(const QByteArray& s, qsizetype start)
{
    return cut(s, start, kToEnd);
}

const QByteArray kBabelFishStart = QByteArrayLiteral("<div id=\"result\"><div style=\"padding:");
const QByteArray kBabelFishEnd = QByteArrayLiteral("</div></div>");
constexpr qsizetype kBabelFishSkip = 8; // the padding value and the rest of the inner tag
const QByteArray kSessionEnd = QByteArrayLiteral("/object");
const QByteArray kWorldLingoStart = QByteArrayLiteral("<textarea name=\"wl_result\"");
const QByteArray kWorldLingoTagEnd = QByteArrayLiteral(">");
const QByteArray kWorldLingoEnd = QByteArrayLiteral("</textarea>");
const QByteArray kPageIdStart = QByteArrayLiteral("wl_id=\\\"");
const QByteArray kPageIdEnd = QByteArrayLiteral("\\\">");

} // namespace

QByteArray ReplyText(const QByteArray& body)
{
    QByteArray text;
    text.reserve(body.size() + body.size() / 16 + 2);
    const qsizetype size = body.size();
    qsizetype i = 0;
    while (i < size) {
        qsizetype end = i;
        while (end < size && body[end] != '\r' && body[end] != '\n')
            ++end;
        text += QByteArrayView(body.constData() + i, end - i);
        text += "\r\n";
        if (end < size && body[end] == '\r')
            ++end;
        if (end < size && body[end] == '\n')
            ++end;
        i = end;
    }
    return text;
}

std::optional<QByteArray> ExtractBabelFishResult(const QByteArray& s)
{
    const qsizetype p = position(kBabelFishStart, s);
    if (p == 0)
        return std::nullopt;
    const qsizetype start = p + kBabelFishStart.size() + kBabelFishSkip;
    const qsizetype q = position(kBabelFishEnd, cutToEnd(s, start));
    return cut(s, start, q - 1);
}

std::optional<QByteArray> ExtractWorldLingoResult(const QByteArray& s)
{
    const qsizetype p = position(kWorldLingoStart, s);
    if (p == 0)
        return std::nullopt;
    const qsizetype g = position(kWorldLingoTagEnd, cutToEnd(s, p));
    const qsizetype start = p + g;
    const qsizetype e = position(kWorldLingoEnd, cutToEnd(s, start));
    return cut(s, start, e - 1);
}

namespace {

// The character a reference names, or nothing when it is not one decoded here.
std::optional<char32_t> referencedCharacter(const QByteArray& name)
{
    static const std::pair<const char*, char32_t> named[] = {
        {"amp", U'&'}, {"lt", U'<'}, {"gt", U'>'}, {"quot", U'"'}, {"apos", U'\''}};
    for (const auto& [word, character] : named) {
        if (name == word)
            return character;
    }
    if (name.size() < 2 || name[0] != '#')
        return std::nullopt;
    const bool hex = name[1] == 'x' || name[1] == 'X';
    const QByteArray digits = name.mid(hex ? 2 : 1);
    const auto isDigit = [hex](char c) { return hex ? std::isxdigit(uchar(c)) : std::isdigit(uchar(c)); };
    if (digits.isEmpty() || !std::all_of(digits.begin(), digits.end(), isDigit))
        return std::nullopt;
    bool ok = false;
    const uint value = digits.toUInt(&ok, hex ? 16 : 10);
    // Nothing a browser would replace (NUL, surrogates, beyond Unicode) is decoded.
    if (!ok || value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return std::nullopt;
    return char32_t(value);
}

} // namespace

QByteArray DecodeCharacterReferences(const QByteArray& text)
{
    constexpr qsizetype kLongestName = 10; // "#x10FFFF" and the named ones fit
    QByteArray out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype end = text[i] == '&' ? text.indexOf(';', i) : -1;
        const std::optional<char32_t> character = end > i && end - i <= kLongestName
            ? referencedCharacter(text.mid(i + 1, end - i - 1))
            : std::nullopt;
        if (!character) {
            out += text[i];
            continue;
        }
        out += QString::fromUcs4(&*character, 1).toUtf8();
        i = end;
    }
    return out;
}

QByteArray ExtractSessionPrefix(const QByteArray& s, const QByteArray& rootAddress)
{
    const qsizetype p = position(rootAddress, s);
    if (p == 0)
        return {};
    const qsizetype q = position(kSessionEnd, cutToEnd(s, p));
    if (q == 0)
        return {};
    return cut(s, p, q);
}

QByteArray ExtractPageId(const QByteArray& s)
{
    const qsizetype p = position(kPageIdStart, s);
    if (p == 0)
        return {};
    const QByteArray fromMarker = cutToEnd(s, p);
    const qsizetype q = position(kPageIdEnd, fromMarker);
    if (q == 0)
        return {};
    // From right after the start marker up to and including the end marker's backslash.
    const qsizetype first = kPageIdStart.size() + 1;
    return cut(fromMarker, first, q - first + 1);
}

QByteArray EncodeUrlParam(const QString& text)
{
    // The same escaping as a form body, over the GB18030 bytes: those of code page 936 for its
    // characters, and a form for every other character an address may hold.
    return FormEncode(ToGb18030(text));
}

} // namespace quillo
