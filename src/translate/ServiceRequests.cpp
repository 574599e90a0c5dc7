#include "translate/ServiceRequests.h"

#include "translate/ReplyCuts.h"
#include "translate/RequestBodies.h"

namespace quillo {

QString BabelFishAddress(const QString& base)
{
    return base + QStringLiteral("/translate_txt");
}

QString BabelFishReferer(const QString& base)
{
    return base + QStringLiteral("/translate.dyn");
}

QString LoaderAddress(const QString& base)
{
    return base + QStringLiteral("/S3704.3-zh/loader");
}

QString TranslationPageAddress(const QString& base)
{
    return base + QStringLiteral("/wl/translate/cn/translation");
}

StageTwoRequest WorldLingoStageTwo(const QByteArray& loaderBody, const QString& text, const TranslationCodes& codes,
                                   const QString& base)
{
    // The loader names the per-visit address under the site's root address.
    const QByteArray prefix = ExtractSessionPrefix(ReplyText(loaderBody), (base + QLatin1Char('/')).toUtf8());
    if (!prefix.isEmpty())
        return {QString::fromLatin1(prefix) + QStringLiteral("texttranslate"),
                WorldLingoSessionBody(text, codes.source, codes.target, codes.topic), true};
    return {TranslationPageAddress(base), WorldLingoPageBody(text, codes.source, codes.target, codes.topic), false};
}

} // namespace quillo
