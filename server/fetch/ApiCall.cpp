#include "server/fetch/ApiCall.h"

#include "server/base/WorkCancel.h"

#include <curl/curl.h>

#include <algorithm>
#include <charconv>
#include <memory>
#include <thread>

namespace quillo::server {

namespace {


struct CurlDeleter {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
struct HeaderListDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

struct BodyTarget {
    CURL* handle;
    ApiReply& reply;
    const std::function<void(std::string_view)>& onBody;
};

size_t collectBody(char* data, size_t size, size_t count, void* user)
{
    auto* target = static_cast<BodyTarget*>(user);
    const size_t length = size * count;
    if (target->reply.body.size() + length > kMaxReplyBytes) {
        target->reply.tooLarge = true;
        return 0;
    }
    target->reply.body.append(data, length);
    long status = 0;
    curl_easy_getinfo(target->handle, CURLINFO_RESPONSE_CODE, &status);
    if (target->onBody && status >= 200 && status < 300) // a refusal's body is no part of the answer
        target->onBody(std::string_view(data, length));
    return length;
}

std::optional<std::chrono::seconds> parseRetryAfter(std::string value)
{
    while (!value.empty() && (value.back() == '\r' || value.back() == '\n' || value.back() == ' '))
        value.pop_back();
    value.erase(0, value.find_first_not_of(' '));
    long long seconds = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), seconds);
    if (error == std::errc() && end == value.data() + value.size() && seconds >= 0)
        return std::chrono::seconds(seconds);
    // The other form the header may take: an HTTP date.
    const time_t when = curl_getdate(value.c_str(), nullptr);
    if (when < 0)
        return std::nullopt;
    return std::chrono::seconds(std::max<long long>(0, when - std::time(nullptr)));
}

size_t collectHeader(char* data, size_t size, size_t count, void* user)
{
    auto* reply = static_cast<ApiReply*>(user);
    const std::string line(data, size * count);
    constexpr std::string_view name = "retry-after:";
    if (line.size() > name.size()
        && std::equal(name.begin(), name.end(), line.begin(),
                      [](char a, char b) { return a == std::tolower(static_cast<unsigned char>(b)); }))
        reply->retryAfter = parseRetryAfter(line.substr(name.size()));
    return size * count;
}

// One handle per request thread, kept between requests: its connection cache lets the next
// request to the same engine skip the TCP and TLS handshakes.
CURL* threadHandle()
{
    thread_local std::unique_ptr<CURL, CurlDeleter> handle(curl_easy_init());
    if (handle)
        curl_easy_reset(handle.get());
    return handle.get();
}

} // namespace

ApiReply CallApi(const ApiRequest& request, Deadline deadline)
{
    ApiReply reply;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
        reply.timedOut = true;
        reply.error = "no time left";
        return reply;
    }
    CURL* h = threadHandle();
    if (!h) {
        reply.error = "curl_easy_init failed";
        return reply;
    }
    std::unique_ptr<curl_slist, HeaderListDeleter> headers;
    for (const std::string& header : request.headers)
        headers.reset(curl_slist_append(headers.release(), header.c_str()));
    char errorBuffer[CURL_ERROR_SIZE] = {};
    // Network: only the address given, no proxy for loopback engines, the budget as a hard limit.
    curl_easy_setopt(h, CURLOPT_URL, request.url.c_str());
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_NOPROXY, "localhost,127.0.0.1,::1");
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(std::min(left, request.connectTimeout).count()));
    curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, static_cast<long>(left.count()));
    curl_easy_setopt(h, CURLOPT_TCP_NODELAY, 1L);
    // HTTP
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers.get());
    if (!request.body.empty()) {
        curl_easy_setopt(h, CURLOPT_POSTFIELDS, request.body.data());
        curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request.body.size()));
    }
    if (!request.method.empty())
        curl_easy_setopt(h, CURLOPT_CUSTOMREQUEST, request.method.c_str());
    curl_easy_setopt(h, CURLOPT_USERAGENT, "quillo-server");
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &collectBody);
    BodyTarget bodyTarget{h, reply, request.onBody};
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &bodyTarget);
    curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, &collectHeader);
    curl_easy_setopt(h, CURLOPT_HEADERDATA, &reply);
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, errorBuffer);
    AbortTransferWhenCancelled(h);

    const CURLcode code = curl_easy_perform(h);
    if (code != CURLE_OK) {
        reply.timedOut = code == CURLE_OPERATION_TIMEDOUT;
        reply.error = reply.tooLarge ? "reply larger than " + std::to_string(kMaxReplyBytes >> 20) + " MiB"
                                     : *errorBuffer ? errorBuffer : curl_easy_strerror(code);
        return reply;
    }
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &reply.status);
    reply.answered = true;
    return reply;
}

ApiReply CallApiAllowingOneRetry(const ApiRequest& request, Deadline deadline)
{
    ApiReply reply = CallApi(request, deadline);
    if (!reply.answered || reply.status != 429 || !reply.retryAfter)
        return reply;
    const auto resendAt = std::chrono::steady_clock::now() + *reply.retryAfter;
    if (resendAt >= deadline)
        return reply;
    std::this_thread::sleep_until(resendAt);
    return CallApi(request, deadline);
}

} // namespace quillo::server
