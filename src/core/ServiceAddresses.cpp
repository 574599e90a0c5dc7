#include "core/ServiceAddresses.h"

#include <QUrl>

#include <mutex>

namespace quillo {

namespace {

std::mutex runAddressLock;
std::shared_future<QString> runAddress;

// The address this run settled on; empty when none was set or none could be had.
QString runServiceBase()
{
    std::shared_future<QString> address;
    {
        const std::lock_guard lock(runAddressLock);
        address = runAddress;
    }
    return address.valid() ? address.get() : QString();
}

} // namespace

void SetRunServiceBase(std::shared_future<QString> base)
{
    const std::lock_guard lock(runAddressLock);
    runAddress = std::move(base);
}

QString ServiceBase()
{
    QString base = qEnvironmentVariable("QUILLO_SERVICE");
    if (base.isEmpty())
        base = runServiceBase();
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

} // namespace quillo
