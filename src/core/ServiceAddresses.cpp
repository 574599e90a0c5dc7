#include "core/ServiceAddresses.h"

#include <QFuture>
#include <QPromise>
#include <QUrl>

#include <chrono>
#include <mutex>
#include <thread>

namespace quillo {

namespace {

std::mutex runAddressLock;
std::shared_future<QString> runAddress;
std::function<void()> runAddressBegin;

std::shared_future<QString> currentRunAddress()
{
    const std::lock_guard lock(runAddressLock);
    return runAddress;
}

// The address this run settled on; empty when none was set or none could be had.
QString runServiceBase()
{
    std::shared_future<QString> address;
    std::function<void()> begin;
    {
        const std::lock_guard lock(runAddressLock);
        address = runAddress;
        begin = runAddressBegin;
    }
    if (!address.valid())
        return {};
    if (begin && address.wait_for(std::chrono::seconds(0)) != std::future_status::ready)
        begin();
    return address.get();
}

} // namespace

void SetRunServiceBase(std::shared_future<QString> base, std::function<void()> begin)
{
    const std::lock_guard lock(runAddressLock);
    runAddress = std::move(base);
    runAddressBegin = std::move(begin);
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

void WhenServiceBaseKnown(QObject* context, std::function<void()> then)
{
    const std::shared_future<QString> address = currentRunAddress();
    if (!qEnvironmentVariableIsEmpty("QUILLO_SERVICE") || !address.valid()
        || address.wait_for(std::chrono::seconds(0)) == std::future_status::ready) {
        then();
        return;
    }
    // A QFuture carries the news to the context's thread, and drops it if the context is gone.
    QPromise<void> settled;
    QFuture<void> known = settled.future();
    settled.start();
    std::thread([address, settled = std::move(settled)]() mutable {
        address.wait();
        settled.finish();
    }).detach();
    known.then(context, std::move(then));
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
