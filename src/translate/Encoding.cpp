#include "Encoding.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>
#include <array>
#include <cstdint>

namespace quillo {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

void appendPercentEscape(QByteArray& out, unsigned char byte)
{
    out += '%';
    out += kHexDigits[byte >> 4];
    out += kHexDigits[byte & 0x0F];
}

bool isAsciiAlphanumeric(unsigned char byte)
{
    return (byte >= '0' && byte <= '9') || (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z');
}

constexpr char32_t kReplacement = 0xFFFD;

void appendUtf8(QByteArray& out, char32_t cp)
{
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | (cp >> 6));
        out += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += char(0xE0 | (cp >> 12));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xF0 | (cp >> 18));
        out += char(0x80 | ((cp >> 12) & 0x3F));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}

// Trail byte count decided by the lead byte alone, and the offsets that remove the length
// markers of a sequence, as in the Unicode consortium's reference converter.
int trailBytesFor(unsigned char lead)
{
    if (lead < 0xC0)
        return 0;
    if (lead < 0xE0)
        return 1;
    if (lead < 0xF0)
        return 2;
    if (lead < 0xF8)
        return 3;
    if (lead < 0xFC)
        return 4;
    return 5;
}

constexpr std::array<std::uint32_t, 6> kOffsetsFromUtf8{
    0x00000000u, 0x00003080u, 0x000E2080u, 0x03C82080u, 0xFA082080u, 0x82082080u};

void appendUtf16(QString& out, std::uint32_t value)
{
    if (value <= 0xFFFF) {
        out += QChar(char16_t(value));
    } else if (value <= 0x10FFFF) {
        value -= 0x10000;
        out += QChar(char16_t(0xD800 + (value >> 10)));
        out += QChar(char16_t(0xDC00 + (value & 0x3FF)));
    } else {
        out += QChar(char16_t(kReplacement));
    }
}

} // namespace

QByteArray FormEncode(const QByteArray& bytes)
{
    QByteArray out;
    out.reserve(bytes.size() * 3);
    for (char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte == ' ')
            out += '+';
        else if (isAsciiAlphanumeric(byte))
            out += c;
        else
            appendPercentEscape(out, byte);
    }
    return out;
}

QByteArray PercentEncodeBytes(const QByteArray& bytes)
{
    QByteArray out;
    out.reserve(bytes.size() * 3);
    for (char c : bytes)
        appendPercentEscape(out, static_cast<unsigned char>(c));
    return out;
}

QByteArray Utf8Encode(const QString& text)
{
    QByteArray out;
    out.reserve(text.size() * 3);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t unit = text.at(i).unicode();
        if (QChar::isHighSurrogate(unit) && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            appendUtf8(out, QChar::surrogateToUcs4(unit, text.at(i + 1).unicode()));
            ++i;
        } else if (QChar::isSurrogate(unit)) {
            appendUtf8(out, kReplacement);
        } else {
            appendUtf8(out, unit);
        }
    }
    return out;
}

QString Utf8Decode(const QByteArray& bytes)
{
    QString out;
    out.reserve(bytes.size());
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype size = bytes.size();
    qsizetype i = 0;
    while (i < size) {
        const int trail = trailBytesFor(data[i]);
        if (trail >= size - i) {
            // A sequence cut short by the end of the input: never read past it.
            out += QChar(char16_t(kReplacement));
            break;
        }
        // Unsigned arithmetic wraps for the five- and six-byte forms, as in the reference
        // converter; whatever comes out is either a character or U+FFFD, never an error.
        std::uint32_t value = 0;
        for (int k = 0; k <= trail; ++k) {
            if (k > 0)
                value <<= 6;
            value += data[i + k];
        }
        value -= kOffsetsFromUtf8[trail];
        appendUtf16(out, value);
        i += trail + 1;
    }
    return out;
}

QByteArray ToAnsi(const QString& text)
{
    // Qt's GBK encoder (ICU) substitutes '?' for a character without a form in the code page,
    // as the Windows conversion does.
    QStringEncoder encoder("GBK");
    return encoder.encode(text);
}

QByteArray ToGb18030(const QString& text)
{
    QStringEncoder encoder("GB18030");
    return encoder.encode(text);
}

QString FromAnsi(const QByteArray& bytes)
{
    // Below 0x80 the code page is ASCII. Most profile keys and values are, and opening an ICU
    // converter for each of them was a good part of reading a skin at start-up.
    if (std::all_of(bytes.cbegin(), bytes.cend(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
        return QString::fromLatin1(bytes);
    // The decoder keeps a lead byte at the very end pending and would drop it; a line feed
    // after it (never a trail byte) makes it come out as U+FFFD, and is removed again.
    QStringDecoder decoder("GBK", QStringConverter::Flag::Stateless);
    QString text = decoder.decode(bytes + '\n');
    text.chop(1);
    return text;
}

} // namespace quillo
