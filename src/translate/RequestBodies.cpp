#include "translate/RequestBodies.h"

#include "core/Languages.h"
#include "translate/Encoding.h"

#include <algorithm>
#include <array>
#include <utility>

namespace quillo {

namespace {

// The pairs the text service translates without going through English.
constexpr std::array<std::pair<int, int>, 12> kDirectPairs = {{
    {Dutch, French}, {French, Dutch}, {French, German}, {French, Greek}, {French, Italian},
    {French, Portuguese}, {French, Spanish}, {German, French}, {Greek, French}, {Italian, French},
    {Portuguese, French}, {Spanish, French},
}};

// What a browser on the service's pages would carry: the analytics cookies of one visit from a
// referring page, and the fields of the form before its text. The values are our own; only their
// shapes matter to the service.
constexpr char kSessionHead[] =
    "Cookie:%20"
    "__utma=173458962.1830519274.1702315534.1702398112.1702401876.12"
    ";%20__utmz=173458962.1702401876.12.3.utmccn=(referral)|utmcsr=translate.quillo.invalid"
    "|utmcct=/guide/text-translation|utmcmd=referral"
    ";%20__utmb=173458962"
    ";%20__utmc=173458962"
    ";%20h2=b"
    ";%20he=chs"
    "...."
    "wl_url=http%3A%2F%2Fwl.quillo.invalid%2Fen%2Fproducts_services%2Fworldlingo_translator.html"
    "&wl_srcenc=utf-8&wl_trgenc=utf-8&wl_text_result=%E7%93%B7&wl_text=";
static_assert(sizeof kSessionHead - 1 == 425);

constexpr char kPageHead[] =
    "%20"
    "__utma=173458962.1830519274.1702315534.1702398112.1702401876.12"
    ";%20__utmz=173458962.1702401876.12.3.utmccn=(referral)|utmcsr=www.quillo.invalid"
    "|utmcct=/help/translation.html|utmcmd=referral"
    ";%20__utmb=173458962"
    ";%20__utmc=173458962"
    ";%20JSESSIONID=9F3C0A7E51D24B86A0E7C3F19B2D6E48.qlw1"
    "&wl_mimetype=text/html&wl_text=";
static_assert(sizeof kPageHead - 1 == 315);

QByteArray utf8Form(const QString& text)
{
    return Utf8Encode(WithCrLf(text));
}

} // namespace

QString WithCrLf(const QString& memoText)
{
    QString text = memoText;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return text;
}

bool NeedsEnglishPivot(int sourceIndex, int targetIndex)
{
    if (sourceIndex == English || targetIndex == English)
        return false;
    return std::find(kDirectPairs.begin(), kDirectPairs.end(), std::pair(sourceIndex, targetIndex))
           == kDirectPairs.end();
}

QByteArray LanguagePair(const QByteArray& sourceCode, const QByteArray& targetCode)
{
    return sourceCode + '_' + targetCode;
}

QByteArray BabelFishBody(const QString& text, const QByteArray& pair)
{
    return "ei=UTF-8&doit=done&fr=bf-res&intl=1&tt=urltext&trtext=" + FormEncode(utf8Form(text)) + "&lp=" + pair
           + "&btnTrTxt=Translate";
}

QByteArray SessionBodyHead()
{
    return QByteArray(kSessionHead);
}

QByteArray PageBodyHead()
{
    return QByteArray(kPageHead);
}

QByteArray WorldLingoSessionBody(const QString& text, const QByteArray& sourceCode, const QByteArray& targetCode,
                                 const QByteArray& topicCode)
{
    return SessionBodyHead() + FormEncode(utf8Form(text)) + "&wl_srclang=" + sourceCode + "&wl_trglang=" + targetCode
           + "&Submit=Translate&l_glossary=" + topicCode;
}

QByteArray WorldLingoPageBody(const QString& text, const QByteArray& sourceCode, const QByteArray& targetCode,
                              const QByteArray& topicCode)
{
    return PageBodyHead() + PercentEncodeBytes(utf8Form(text)) + "&wl_srcenc=utf-8&wl_gloss=" + topicCode
           + "&wl_srclang=" + sourceCode + "&wl_trglang=" + targetCode;
}

} // namespace quillo
