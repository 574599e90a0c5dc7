// HTTP date headers come straight from servers: any bytes must parse without a crash.
#include "http/HttpDate.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray text(reinterpret_cast<const char*>(data), qsizetype(size));
    const double local = quillo::ParseHttpDate(text);
    const double offset = quillo::ParseZoneOffset(text);
    // Every result is a real date-time within the years 1..9999, or the "unreadable" value.
    if (!std::isfinite(local) || std::fabs(local) > 3.0e6 || std::fabs(offset) > 1.0)
        std::abort();
    return 0;
}
