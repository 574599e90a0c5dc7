#include "core/ProductIdentity.h"

#include "core/ServiceAddresses.h"

namespace quillo {

QString ProgramVersion()
{
    return QStringLiteral("16");
}

QString ApplicationTitle()
{
    return QStringLiteral("Quillo翻译软件");
}

// The service that answers the program also serves its home page.
QString ProductWebSite()
{
    return ServiceBase() + QLatin1Char('/');
}

QString ProductEmail()
{
    return QStringLiteral("support@quillo.invalid");
}

} // namespace quillo
