#include "app/ServiceRequests.h"

#include "app/RequestBodies.h"
#include "core/ServiceAddresses.h"
#include "translate/ReplyCuts.h"

namespace quillo {

QString BabelFishAddress()
{
    return ServiceUrl(QStringLiteral("/translate_txt"));
}

QString BabelFishReferer()
{
    return ServiceUrl(QStringLiteral("/translate.dyn"));
}

QString LoaderAddress()
{
    return ServiceUrl(QStringLiteral("/S3704.3-zh/loader"));
}

QString TranslationPageAddress()
{
    return ServiceUrl(QStringLiteral("/wl/translate/cn/translation"));
}

StageTwoRequest WorldLingoStageTwo(const QByteArray& loaderBody, const QString& text, const TranslationCodes& codes)
{
    const QByteArray prefix = ExtractSessionPrefix(ReplyText(loaderBody), ServiceRootAddress());
    if (!prefix.isEmpty())
        return {QString::fromLatin1(prefix) + QStringLiteral("texttranslate"),
                WorldLingoSessionBody(text, codes.source, codes.target, codes.topic), true};
    return {TranslationPageAddress(), WorldLingoPageBody(text, codes.source, codes.target, codes.topic), false};
}

} // namespace quillo
