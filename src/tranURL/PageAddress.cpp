#include "tranURL/PageAddress.h"

#include "core/ServiceAddresses.h"
#include "translate/ReplyCuts.h"

#include <QUrl>

namespace quillo {

std::optional<QString> UsablePageAddress(const QString& text)
{
    QString address = text.trimmed();
    if (!address.contains(QLatin1String("://")))
        address.prepend(QLatin1String("http://"));
    const QUrl url(address);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != u"http" && scheme != u"https") || url.host().isEmpty())
        return std::nullopt;
    return address;
}

QString ObjectAddress()
{
    return ServiceUrl(QStringLiteral("/S3739.5/object?"));
}

QByteArray TranslatedPageAddress(const QByteArray& pageId, const QString& pageAddress,
                                 const QByteArray& sourceCode, const QByteArray& targetCode)
{
    return ServiceRootAddress() + pageId + "translation?wl_url=" + EncodeUrlParam(pageAddress)
        + "&wl_srclang=" + sourceCode + "&wl_trglang=" + targetCode;
}

} // namespace quillo
