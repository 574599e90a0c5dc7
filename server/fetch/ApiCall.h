#pragma once
// One call to a JSON API over libcurl: the request, the whole reply, and a 429 answered once.
// One easy handle per thread is kept between calls, so the next request to the same host skips
// the TCP and TLS handshakes.

#include <chrono>
#include <functional>
#include <string_view>
#include <optional>
#include <string>
#include <vector>

namespace quillo::server {

struct ApiRequest {
    std::string url;
    std::vector<std::string> headers; // "Name: value"
    std::string body;                 // JSON; empty sends a GET
    std::chrono::milliseconds connectTimeout{5000};
    // When set, each block of the reply's body is handed to it as soon as it arrives (the reply
    // still holds the whole body), so a streamed answer can be passed on piece by piece.
    std::function<void(std::string_view block)> onBody{};
    std::string method{}; // another than GET or POST ("DELETE"); empty: as the body says
};

// The most a reply body may hold; a longer one is cut off and marked tooLarge.
inline constexpr size_t kMaxReplyBytes = 8 * 1024 * 1024;

struct ApiReply {
    bool answered = false; // a whole HTTP answer came back
    bool timedOut = false;
    bool tooLarge = false; // the body passed the size a reply may have
    long status = 0;
    std::optional<std::chrono::seconds> retryAfter;
    std::string body;
    std::string error; // the transfer's failure when not answered
};

using Deadline = std::chrono::steady_clock::time_point;

ApiReply CallApi(const ApiRequest& request, Deadline deadline);
// As CallApi; a 429 whose Retry-After ends before the deadline is waited out and sent once more.
ApiReply CallApiAllowingOneRetry(const ApiRequest& request, Deadline deadline);

} // namespace quillo::server
