#include "http/CurlGlobal.h"

#include <curl/curl.h>

#include <mutex>

namespace quillo {

void EnsureCurlGlobalInit()
{
    // Never cleaned up: abandoned workers may still be unwinding their transfers at exit.
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

} // namespace quillo
