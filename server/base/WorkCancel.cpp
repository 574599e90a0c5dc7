#include "server/base/WorkCancel.h"

#include <curl/curl.h>

namespace quillo::server {

namespace {

thread_local const std::atomic<bool>* currentFlag = nullptr;

} // namespace

CancelScope::CancelScope(const std::atomic<bool>& cancelled) : previous_(currentFlag)
{
    currentFlag = &cancelled;
}

CancelScope::~CancelScope()
{
    currentFlag = previous_;
}

bool WorkCancelled()
{
    return currentFlag && currentFlag->load(std::memory_order_relaxed);
}

void AbortTransferWhenCancelled(void* curlEasyHandle)
{
    CURL* handle = curlEasyHandle;
    curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION,
                     +[](void*, curl_off_t, curl_off_t, curl_off_t, curl_off_t) { return WorkCancelled() ? 1 : 0; });
}

} // namespace quillo::server
