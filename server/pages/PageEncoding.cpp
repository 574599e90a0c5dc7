#include "server/pages/PageEncoding.h"

#include "server/base/TextCodec.h"
#include "server/pages/HtmlCharacters.h"

#include <QString>

#include <unicode/ucnv.h>
#include <unicode/ucnv_err.h>

#include <algorithm>
#include <array>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace quillo::server {

namespace {

struct Encoding {
    std::string_view name;
    std::string_view decoder; // the ICU converter that reads it as browsers do
    std::initializer_list<std::string_view> labels;
};

// The Encoding Standard's table of encodings and their labels. The decoders are ICU's closest
// converters: GBK is read as gb18030 (the standard's GBK decoder is gb18030's), Big5 with its
// Hong Kong additions, Shift_JIS and EUC-KR as the Windows code pages the standard describes.
// ICU has no ISO-8859-16; windows-1252 reads its ASCII part the same.
const std::array<Encoding, 40>& encodings()
{
    static const std::array<Encoding, 40> table{{
        {"UTF-8", "UTF-8",
         {"unicode-1-1-utf-8", "unicode11utf8", "unicode20utf8", "utf-8", "utf8", "x-unicode20utf8"}},
        {"IBM866", "IBM866", {"866", "cp866", "csibm866", "ibm866"}},
        {"ISO-8859-2", "ISO-8859-2",
         {"csisolatin2", "iso-8859-2", "iso-ir-101", "iso8859-2", "iso88592", "iso_8859-2",
          "iso_8859-2:1987", "l2", "latin2"}},
        {"ISO-8859-3", "ISO-8859-3",
         {"csisolatin3", "iso-8859-3", "iso-ir-109", "iso8859-3", "iso88593", "iso_8859-3",
          "iso_8859-3:1988", "l3", "latin3"}},
        {"ISO-8859-4", "ISO-8859-4",
         {"csisolatin4", "iso-8859-4", "iso-ir-110", "iso8859-4", "iso88594", "iso_8859-4",
          "iso_8859-4:1988", "l4", "latin4"}},
        {"ISO-8859-5", "ISO-8859-5",
         {"csisolatincyrillic", "cyrillic", "iso-8859-5", "iso-ir-144", "iso8859-5", "iso88595",
          "iso_8859-5", "iso_8859-5:1988"}},
        {"ISO-8859-6", "ISO-8859-6",
         {"arabic", "asmo-708", "csiso88596e", "csiso88596i", "csisolatinarabic", "ecma-114",
          "iso-8859-6", "iso-8859-6-e", "iso-8859-6-i", "iso-ir-127", "iso8859-6", "iso88596",
          "iso_8859-6", "iso_8859-6:1987"}},
        {"ISO-8859-7", "ISO-8859-7",
         {"csisolatingreek", "ecma-118", "elot_928", "greek", "greek8", "iso-8859-7",
          "iso-ir-126", "iso8859-7", "iso88597", "iso_8859-7", "iso_8859-7:1987", "sun_eu_greek"}},
        {"ISO-8859-8", "ISO-8859-8",
         {"csiso88598e", "csisolatinhebrew", "hebrew", "iso-8859-8", "iso-8859-8-e", "iso-ir-138",
          "iso8859-8", "iso88598", "iso_8859-8", "iso_8859-8:1988", "visual"}},
        {"ISO-8859-8-I", "ISO-8859-8", {"csiso88598i", "iso-8859-8-i", "logical"}},
        {"ISO-8859-10", "ISO-8859-10",
         {"csisolatin6", "iso-8859-10", "iso-ir-157", "iso8859-10", "iso885910", "l6", "latin6"}},
        {"ISO-8859-13", "ISO-8859-13", {"iso-8859-13", "iso8859-13", "iso885913"}},
        {"ISO-8859-14", "ISO-8859-14", {"iso-8859-14", "iso8859-14", "iso885914"}},
        {"ISO-8859-15", "ISO-8859-15",
         {"csisolatin9", "iso-8859-15", "iso8859-15", "iso885915", "iso_8859-15", "l9"}},
        {"ISO-8859-16", "windows-1252", {"iso-8859-16"}},
        {"KOI8-R", "KOI8-R", {"cskoi8r", "koi", "koi8", "koi8-r", "koi8_r"}},
        {"KOI8-U", "KOI8-U", {"koi8-ru", "koi8-u"}},
        {"macintosh", "macintosh", {"csmacintosh", "mac", "macintosh", "x-mac-roman"}},
        {"windows-874", "windows-874",
         {"dos-874", "iso-8859-11", "iso8859-11", "iso885911", "tis-620", "windows-874"}},
        {"windows-1250", "windows-1250", {"cp1250", "windows-1250", "x-cp1250"}},
        {"windows-1251", "windows-1251", {"cp1251", "windows-1251", "x-cp1251"}},
        {"windows-1252", "windows-1252",
         {"ansi_x3.4-1968", "ascii", "cp1252", "cp819", "csisolatin1", "ibm819", "iso-8859-1",
          "iso-ir-100", "iso8859-1", "iso88591", "iso_8859-1", "iso_8859-1:1987", "l1", "latin1",
          "us-ascii", "windows-1252", "x-cp1252"}},
        {"windows-1253", "windows-1253", {"cp1253", "windows-1253", "x-cp1253"}},
        {"windows-1254", "windows-1254",
         {"cp1254", "csisolatin5", "iso-8859-9", "iso-ir-148", "iso8859-9", "iso88599",
          "iso_8859-9", "iso_8859-9:1989", "l5", "latin5", "windows-1254", "x-cp1254"}},
        {"windows-1255", "windows-1255", {"cp1255", "windows-1255", "x-cp1255"}},
        {"windows-1256", "windows-1256", {"cp1256", "windows-1256", "x-cp1256"}},
        {"windows-1257", "windows-1257", {"cp1257", "windows-1257", "x-cp1257"}},
        {"windows-1258", "windows-1258", {"cp1258", "windows-1258", "x-cp1258"}},
        {"x-mac-cyrillic", "x-mac-cyrillic", {"x-mac-cyrillic", "x-mac-ukrainian"}},
        {"GBK", "gb18030",
         {"chinese", "csgb2312", "csiso58gb231280", "gb2312", "gb_2312", "gb_2312-80", "gbk",
          "iso-ir-58", "x-gbk"}},
        {"gb18030", "gb18030", {"gb18030"}},
        {"Big5", "Big5-HKSCS", {"big5", "big5-hkscs", "cn-big5", "csbig5", "x-x-big5"}},
        {"EUC-JP", "EUC-JP", {"cseucpkdfmtjapanese", "euc-jp", "x-euc-jp"}},
        {"ISO-2022-JP", "ISO-2022-JP", {"csiso2022jp", "iso-2022-jp"}},
        {"Shift_JIS", "windows-31j",
         {"csshiftjis", "ms932", "ms_kanji", "shift-jis", "shift_jis", "sjis", "windows-31j",
          "x-sjis"}},
        {"EUC-KR", "windows-949",
         {"cseuckr", "csksc56011987", "euc-kr", "iso-ir-149", "korean", "ks_c_5601-1987",
          "ks_c_5601-1989", "ksc5601", "ksc_5601", "windows-949"}},
        {"replacement", "",
         {"csiso2022kr", "hz-gb-2312", "iso-2022-cn", "iso-2022-cn-ext", "iso-2022-kr",
          "replacement"}},
        {"UTF-16BE", "UTF-16BE", {"unicodefffe", "utf-16be"}},
        {"UTF-16LE", "UTF-16LE",
         {"csunicode", "iso-10646-ucs-2", "ucs-2", "unicode", "unicodefeff", "utf-16", "utf-16le"}},
        {"x-user-defined", "", {"x-user-defined"}},
    }};
    return table;
}

std::string lowered(std::string_view text)
{
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), LowerAscii);
    return out;
}

bool startsWithIgnoringCase(std::string_view text, size_t at, std::string_view prefix)
{
    if (text.size() - at < prefix.size())
        return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        if (LowerAscii(text[at + i]) != prefix[i])
            return false;
    }
    return true;
}

const Encoding* encodingNamed(std::string_view name)
{
    for (const Encoding& encoding : encodings()) {
        if (encoding.name == name)
            return &encoding;
    }
    return nullptr;
}

std::string decodeWithIcu(std::string_view bytes, std::string_view converterName)
{
    UErrorCode status = U_ZERO_ERROR;
    const std::unique_ptr<UConverter, decltype(&ucnv_close)> converter(
        ucnv_open(std::string(converterName).c_str(), &status), &ucnv_close);
    if (U_FAILURE(status))
        return {};
    // Malformed input becomes U+FFFD, never nothing: a dropped byte could join "<scr" and
    // "ipt>" into a tag the original did not have.
    ucnv_setToUCallBack(converter.get(), UCNV_TO_U_CALLBACK_SUBSTITUTE, nullptr, nullptr, nullptr,
                        &status);
    std::u16string text(bytes.size() * 2 + 2, u'\0');
    const int32_t length = ucnv_toUChars(converter.get(), text.data(), static_cast<int32_t>(text.size()),
                                         bytes.data(), static_cast<int32_t>(bytes.size()), &status);
    if (U_FAILURE(status))
        return {};
    text.resize(static_cast<size_t>(length));
    return QString::fromStdU16String(text).toStdString();
}

// Bytes 0x80 to 0xFF of x-user-defined are the private-use characters U+F780 to U+F7FF.
std::string decodeUserDefined(std::string_view bytes)
{
    QString text;
    text.reserve(static_cast<qsizetype>(bytes.size()));
    for (char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        text.append(byte < 0x80 ? QChar(byte) : QChar(static_cast<char16_t>(0xF700 + byte)));
    }
    return text.toStdString();
}

// The value of "charset=" in a Content-Type value or a <meta content>, by the standard's
// algorithm for extracting a character encoding from a meta element.
std::optional<std::string> charsetParameter(std::string_view value)
{
    size_t at = 0;
    while (true) {
        size_t found = std::string_view::npos;
        for (size_t i = at; i + 7 <= value.size(); ++i) {
            if (startsWithIgnoringCase(value, i, "charset")) {
                found = i;
                break;
            }
        }
        if (found == std::string_view::npos)
            return std::nullopt;
        at = found + 7;
        while (at < value.size() && IsHtmlSpace(value[at]))
            ++at;
        if (at < value.size() && value[at] == '=')
            break;
    }
    ++at;
    while (at < value.size() && IsHtmlSpace(value[at]))
        ++at;
    if (at >= value.size())
        return std::nullopt;
    if (value[at] == '"' || value[at] == '\'') {
        const size_t close = value.find(value[at], at + 1);
        if (close == std::string_view::npos)
            return std::nullopt;
        return std::string(value.substr(at + 1, close - at - 1));
    }
    size_t end = at;
    while (end < value.size() && !IsHtmlSpace(value[end]) && value[end] != ';')
        ++end;
    return std::string(value.substr(at, end - at));
}

// The prescan's reading of one attribute, names and values lowered as it reads them.
class AttributeReader {
public:
    AttributeReader(std::string_view bytes, size_t& position) : bytes_(bytes), at_(position) {}

    // nullopt at the end of the tag (its ">") or of the bytes.
    std::optional<std::pair<std::string, std::string>> next()
    {
        while (more() && (IsHtmlSpace(peek()) || peek() == '/'))
            ++at_;
        if (!more() || peek() == '>')
            return std::nullopt;
        std::string name;
        std::string value;
        while (true) {
            if (!more())
                return std::nullopt;
            const char c = peek();
            if (c == '=' && !name.empty())
                break;
            if (IsHtmlSpace(c)) {
                while (more() && IsHtmlSpace(peek()))
                    ++at_;
                if (!more() || peek() != '=')
                    return std::pair{name, value};
                break;
            }
            if (c == '/' || c == '>')
                return std::pair{name, value};
            name.push_back(LowerAscii(c));
            ++at_;
        }
        ++at_; // the "="
        while (more() && IsHtmlSpace(peek()))
            ++at_;
        if (!more())
            return std::nullopt;
        if (peek() == '"' || peek() == '\'') {
            const char quote = peek();
            while (true) {
                ++at_;
                if (!more())
                    return std::nullopt;
                if (peek() == quote) {
                    ++at_;
                    return std::pair{name, value};
                }
                value.push_back(LowerAscii(peek()));
            }
        }
        if (peek() == '>')
            return std::pair{name, value};
        while (more() && !IsHtmlSpace(peek()) && peek() != '>') {
            value.push_back(LowerAscii(peek()));
            ++at_;
        }
        return more() ? std::optional(std::pair{name, value}) : std::nullopt;
    }

private:
    bool more() const { return at_ < bytes_.size(); }
    char peek() const { return bytes_[at_]; }

    std::string_view bytes_;
    size_t& at_;
};

// The <meta> at `position` (just after "<meta"): the encoding it declares, if any.
std::optional<std::string> metaDeclaration(std::string_view bytes, size_t& position)
{
    AttributeReader reader(bytes, position);
    std::vector<std::string> seen;
    bool gotPragma = false;
    std::optional<bool> needPragma;
    std::string charset;
    while (auto attribute = reader.next()) {
        auto& [name, value] = *attribute;
        if (std::find(seen.begin(), seen.end(), name) != seen.end())
            continue;
        seen.push_back(name);
        if (name == "http-equiv" && value == "content-type") {
            gotPragma = true;
        } else if (name == "content" && charset.empty()) {
            if (const auto parameter = charsetParameter(value)) {
                charset = *parameter;
                needPragma = true;
            }
        } else if (name == "charset") {
            charset = value;
            needPragma = false;
        }
    }
    if (!needPragma || (*needPragma && !gotPragma))
        return std::nullopt;
    return charset;
}

// A meta-declared UTF-16 cannot be true (the prescan read it as ASCII), and x-user-defined
// is windows-1252 there.
std::string fromMeta(std::string encoding)
{
    if (encoding == "UTF-16BE" || encoding == "UTF-16LE")
        return "UTF-8";
    if (encoding == "x-user-defined")
        return "windows-1252";
    return encoding;
}

// The charset labels that <meta> elements in the first 1024 bytes declare, in order, read by
// the standard's prescan. `visit` returns true to stop.
template <typename Visit>
void prescan(std::string_view head, Visit visit)
{
    head = head.substr(0, std::min<size_t>(head.size(), 1024));
    size_t at = 0;
    auto skipPast = [&](std::string_view end, size_t from) {
        const size_t found = head.find(end, from);
        at = found == std::string_view::npos ? head.size() : found + end.size();
    };
    while (at < head.size()) {
        if (head.substr(at, 4) == "<!--") {
            skipPast("-->", at + 2);
            continue;
        }
        if (startsWithIgnoringCase(head, at, "<meta") && at + 5 < head.size()
            && (IsHtmlSpace(head[at + 5]) || head[at + 5] == '/')) {
            at += 5;
            if (const auto label = metaDeclaration(head, at); label && visit(*label))
                return;
        } else if (head[at] == '<' && at + 1 < head.size()
                   && (IsAsciiLetter(head[at + 1])
                       || (head[at + 1] == '/' && at + 2 < head.size() && IsAsciiLetter(head[at + 2])))) {
            while (at < head.size() && !IsHtmlSpace(head[at]) && head[at] != '>')
                ++at;
            AttributeReader reader(head, at);
            while (reader.next()) {
            }
        } else if (head.substr(at, 2) == "<!" || head.substr(at, 2) == "</" || head.substr(at, 2) == "<?") {
            skipPast(">", at + 1);
            continue;
        }
        ++at;
    }
}

std::string byteOrderMark(std::string_view body)
{
    if (body.substr(0, 3) == "\xEF\xBB\xBF")
        return "UTF-8";
    if (body.substr(0, 2) == "\xFE\xFF")
        return "UTF-16BE";
    if (body.substr(0, 2) == "\xFF\xFE")
        return "UTF-16LE";
    return {};
}

} // namespace

std::string EncodingForLabel(std::string_view label)
{
    while (!label.empty() && IsHtmlSpace(label.front()))
        label.remove_prefix(1);
    while (!label.empty() && IsHtmlSpace(label.back()))
        label.remove_suffix(1);
    const std::string key = lowered(label);
    for (const Encoding& encoding : encodings()) {
        if (std::find(encoding.labels.begin(), encoding.labels.end(), key) != encoding.labels.end())
            return std::string(encoding.name);
    }
    return {};
}

std::string PrescanMetaCharset(std::string_view head)
{
    std::string found;
    prescan(head, [&found](const std::string& label) {
        found = EncodingForLabel(label);
        return !found.empty();
    });
    return found.empty() ? found : fromMeta(found);
}

std::string DeclaredPageEncoding(std::string_view contentType, std::string_view body, bool html,
                                 bool* declaredOther)
{
    if (declaredOther)
        *declaredOther = false;
    if (std::string bom = byteOrderMark(body); !bom.empty())
        return bom;
    auto note = [declaredOther](const std::string& label) {
        const std::string encoding = EncodingForLabel(label);
        if (encoding.empty() && declaredOther)
            *declaredOther = true;
        return encoding;
    };
    if (const auto label = charsetParameter(contentType)) {
        if (std::string encoding = note(*label); !encoding.empty())
            return encoding;
    }
    if (!html)
        return {};
    std::string found;
    prescan(body, [&](const std::string& label) {
        found = note(label);
        return !found.empty();
    });
    return found.empty() ? found : fromMeta(found);
}

std::string DecodeAs(std::string_view bytes, const std::string& encoding)
{
    const Encoding* known = encodingNamed(encoding);
    if (!known)
        return DecodeAs(bytes, "windows-1252");
    if (known->name == "replacement") // encodings that smuggle markup: nothing is read
        return bytes.empty() ? std::string() : std::string("\xEF\xBF\xBD");
    if (known->name == "x-user-defined")
        return decodeUserDefined(bytes);
    const std::string bom = byteOrderMark(bytes);
    if (bom == known->name)
        bytes.remove_prefix(bom == "UTF-8" ? 3 : 2);
    return decodeWithIcu(bytes, known->decoder);
}

std::string DecodePage(std::string_view body, std::string_view contentType, bool html)
{
    bool declaredOther = false;
    std::string encoding = DeclaredPageEncoding(contentType, body, html, &declaredOther);
    if (encoding.empty()) {
        if (declaredOther)
            encoding = "windows-1252";
        else if (IsValidUtf8(body))
            encoding = "UTF-8";
        else if (GbkToUtf8(body))
            encoding = "GBK";
        else
            encoding = "windows-1252";
    }
    return DecodeAs(body, encoding);
}

} // namespace quillo::server
