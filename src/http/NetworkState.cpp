#include "http/NetworkState.h"

#include <QUrl>

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

#include <atomic>
#include <memory>

namespace quillo {

namespace {

struct InterfaceListFree {
    void operator()(ifaddrs* list) const { freeifaddrs(list); }
};
using InterfaceList = std::unique_ptr<ifaddrs, InterfaceListFree>;

// Every address of every interface; an entry without an IP address stands for the interface
// itself. Empty when the system cannot list them.
InterfaceList systemInterfaces()
{
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0)
        return {};
    return InterfaceList(list);
}

// An IP address as its bytes in network order: 4 for IPv4, 16 for IPv6, none when it is not one.
// The two families never compare equal, not even an IPv4-mapped IPv6 address to its IPv4 twin.
QByteArray addressBytes(const sockaddr* address)
{
    if (!address)
        return {};
    if (address->sa_family == AF_INET) {
        const auto* v4 = reinterpret_cast<const sockaddr_in*>(address);
        return QByteArray(reinterpret_cast<const char*>(&v4->sin_addr), sizeof v4->sin_addr);
    }
    if (address->sa_family == AF_INET6) {
        const auto* v6 = reinterpret_cast<const sockaddr_in6*>(address);
        return QByteArray(reinterpret_cast<const char*>(&v6->sin6_addr), sizeof v6->sin6_addr);
    }
    return {};
}

// A host written as an address; a zone ("fe80::1%eth0") does not take part in the comparison.
QByteArray addressBytes(const QString& host)
{
    const QByteArray text = host.section(QLatin1Char('%'), 0, 0).toLatin1();
    in_addr v4{};
    if (inet_pton(AF_INET, text.constData(), &v4) == 1)
        return QByteArray(reinterpret_cast<const char*>(&v4), sizeof v4);
    in6_addr v6{};
    if (inet_pton(AF_INET6, text.constData(), &v6) == 1)
        return QByteArray(reinterpret_cast<const char*>(&v6), sizeof v6);
    return {};
}

bool isLoopback(const QByteArray& address)
{
    static const QByteArray v6Loopback = QByteArray(15, '\0') + '\1';
    static const QByteArray v4MappedPrefix = QByteArray(10, '\0') + "\xff\xff";
    if (address.size() == 4)
        return address.front() == 127;
    if (address == v6Loopback)
        return true;
    // ::ffff:127.x.y.z is the IPv4 loopback written as IPv6.
    return address.size() == 16 && address.startsWith(v4MappedPrefix) && address.at(12) == 127;
}

bool isUp(const ifaddrs& entry)
{
    return (entry.ifa_flags & IFF_UP) != 0;
}

enum class ConnectedAnswer { Machine, Yes, No };
// Atomic because the question may be asked off the thread that sets the answer.
std::atomic<ConnectedAnswer> connectedOverride{ConnectedAnswer::Machine};

} // namespace

bool IsLoopbackHost(const QString& host)
{
    return host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0 || isLoopback(addressBytes(host));
}

bool IsThisMachine(const QString& host)
{
    if (IsLoopbackHost(host))
        return true;
    const QByteArray address = addressBytes(host);
    if (address.isEmpty())
        return false;
    const InterfaceList interfaces = systemInterfaces();
    for (const ifaddrs* i = interfaces.get(); i; i = i->ifa_next) {
        if (isUp(*i) && addressBytes(i->ifa_addr) == address)
            return true;
    }
    return false;
}

bool HasActiveNetworkInterface()
{
    const InterfaceList interfaces = systemInterfaces();
    for (const ifaddrs* i = interfaces.get(); i; i = i->ifa_next) {
        if (isUp(*i) && (i->ifa_flags & IFF_RUNNING) && !(i->ifa_flags & IFF_LOOPBACK))
            return true;
    }
    return false;
}

bool InternetGetConnectedState(const QString& serverUrl)
{
    switch (connectedOverride.load()) {
    case ConnectedAnswer::Yes:
        return true;
    case ConnectedAnswer::No:
        return false;
    case ConnectedAnswer::Machine:
        break;
    }
    return IsThisMachine(QUrl(serverUrl).host()) || HasActiveNetworkInterface();
}

void SetConnectedStateOverride(std::optional<bool> answer)
{
    if (!answer)
        connectedOverride = ConnectedAnswer::Machine;
    else
        connectedOverride = *answer ? ConnectedAnswer::Yes : ConnectedAnswer::No;
}

} // namespace quillo
