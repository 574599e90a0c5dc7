#include "http/Deployment.h"

#include <QHostAddress>
#include <QNetworkInterface>
#include <QUrl>

namespace quillo {

QString ServiceBase()
{
    QString base = qEnvironmentVariable("QUILLO_SERVICE");
    if (base.isEmpty())
        base = QStringLiteral(QUILLO_DEFAULT_SERVICE);
    while (base.endsWith(QLatin1Char('/')))
        base.chop(1);
    if (!base.contains(QLatin1String("://")))
        base.prepend(QLatin1String("http://"));
    return base;
}

QString ServiceUrl(const QString& path)
{
    return ServiceBase() + path;
}

QByteArray ServiceRootAddress()
{
    return (ServiceBase() + QLatin1Char('/')).toUtf8();
}

QString ServiceHost()
{
    const QUrl url(ServiceBase());
    return url.port() > 0 ? QStringLiteral("%1:%2").arg(url.host()).arg(url.port()) : url.host();
}

QString ProductWebSite()
{
    return ServiceBase() + QLatin1Char('/');
}

QString ProductEmail()
{
    return QStringLiteral("support@quillo.invalid");
}

static bool isThisMachine(const QString& host)
{
    if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0)
        return true;
    const QHostAddress address(host);
    if (address.isNull())
        return false;
    if (address.isLoopback())
        return true;
    return QNetworkInterface::allAddresses().contains(address);
}

bool InternetGetConnectedState(const QString& serverUrl)
{
    if (isThisMachine(QUrl(serverUrl).host()))
        return true;
    const auto interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface& i : interfaces) {
        const auto flags = i.flags();
        if (flags.testFlag(QNetworkInterface::IsUp) && flags.testFlag(QNetworkInterface::IsRunning)
            && !flags.testFlag(QNetworkInterface::IsLoopBack))
            return true;
    }
    return false;
}

} // namespace quillo
