// Addresses come from settings, pages and servers' redirections: the splitter must never crash
// and must keep its limits whatever it is given.
#include "http/AddressSplit.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray address(reinterpret_cast<const char*>(data), qsizetype(size));
    quillo::AddressParts parts;
    if (quillo::SplitAddress(address, parts)) {
        using L = quillo::AddressLimits;
        if (parts.scheme.size() > L::scheme || parts.host.size() > L::host || parts.user.size() > L::user
            || parts.password.size() > L::password || parts.path.size() > L::path
            || parts.extra.size() > L::extra)
            std::abort();
    }
    return 0;
}
