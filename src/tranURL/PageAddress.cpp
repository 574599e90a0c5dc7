#include "tranURL/PageAddress.h"

#include "http/Deployment.h"
#include "translate/ReplyCuts.h"

namespace quillo {

namespace {

const QLatin1String kScheme("http://");

} // namespace

bool IsPageAddressAccepted(const QString& text)
{
    return text.contains(kScheme, Qt::CaseInsensitive) && text.size() > kScheme.size();
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
