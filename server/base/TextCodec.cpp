#include "server/base/TextCodec.h"

#include <QByteArray>
#include <QString>
#include <QStringDecoder>
#include <QStringEncoder>

namespace quillo::server {

namespace {

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

bool isEncoderOutput(char c)
{
    const bool alnum = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    return alnum || c == '+' || c == '%' || c == '-' || c == '_' || c == '.' || c == '*' || c == '~';
}

QByteArrayView view(std::string_view bytes)
{
    return QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

std::optional<std::string> decodeStrict(QStringDecoder& decoder, std::string_view bytes)
{
    const QString text = decoder(view(bytes));
    if (decoder.hasError())
        return std::nullopt;
    return text.toStdString();
}

} // namespace

std::optional<std::string> PercentDecode(std::string_view value, bool plusIsBlank)
{
    std::string out;
    out.reserve(value.size());
    for (size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (c == '%') {
            if (i + 2 >= value.size())
                return std::nullopt;
            const int hi = hexValue(value[i + 1]);
            const int lo = hexValue(value[i + 2]);
            if (hi < 0 || lo < 0)
                return std::nullopt;
            out.push_back(static_cast<char>(hi * 16 + lo));
            i += 2;
        } else if (c == '+' && plusIsBlank) {
            out.push_back(' ');
        } else {
            out.push_back(c);
        }
    }
    return out;
}

bool LooksFormEncoded(std::string_view value)
{
    for (char c : value) {
        if (!isEncoderOutput(c))
            return false;
    }
    return PercentDecode(value, true).has_value();
}

std::optional<std::string> DecodeFormValue(std::string_view value)
{
    for (char c : value) {
        if (!isEncoderOutput(c))
            return std::string(value);
    }
    return PercentDecode(value, true);
}

bool IsValidUtf8(std::string_view bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    // The decoder works lazily: only the conversion to QString runs it.
    const QString decoded = decoder(view(bytes));
    return !decoder.hasError();
}

std::optional<std::string> GbkToUtf8(std::string_view bytes)
{
    QStringDecoder decoder("GBK", QStringDecoder::Flag::Stateless);
    if (!decoder.isValid())
        return std::nullopt;
    return decodeStrict(decoder, bytes);
}

std::optional<std::string> Gb18030ToUtf8(std::string_view bytes)
{
    QStringDecoder decoder("GB18030", QStringDecoder::Flag::Stateless);
    if (!decoder.isValid())
        return std::nullopt;
    if (auto text = decodeStrict(decoder, bytes))
        return text;
    return GbkToUtf8(bytes);
}

std::optional<std::string> Utf8ToGbk(std::string_view utf8)
{
    QStringEncoder encoder("GBK", QStringEncoder::Flag::Stateless);
    if (!encoder.isValid())
        return std::nullopt;
    const QByteArray out = encoder(QString::fromUtf8(view(utf8)));
    if (encoder.hasError())
        return std::nullopt;
    return out.toStdString();
}

std::optional<std::string> Utf8OrGbkToUtf8(std::string_view bytes)
{
    if (IsValidUtf8(bytes))
        return std::string(bytes);
    return GbkToUtf8(bytes);
}

std::optional<std::string> Utf8OrGb18030ToUtf8(std::string_view bytes)
{
    if (IsValidUtf8(bytes))
        return std::string(bytes);
    return Gb18030ToUtf8(bytes);
}

std::string HtmlEscape(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        default: out.push_back(c);
        }
    }
    return out;
}

std::string DefuseMarker(std::string text, std::string_view marker)
{
    for (size_t at = text.find(marker); at != std::string::npos; at = text.find(marker, at + 4))
        text.replace(at, 1, "&lt;");
    return text;
}

} // namespace quillo::server
