#pragma once
// One JSON call to a translation API over libcurl, and what its failures mean for the user.
// Shared by the hosted engines: the 429 rule (one retry when Retry-After fits the request's
// time budget), the split between failures the next engine may cover (network, 5xx, time-out)
// and those it may not (a refused key), and the key kept out of every log line and reply.

#include "server/TranslationBackend.h"

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace quillo::server {

struct ApiRequest {
    std::string url;
    std::vector<std::string> headers; // "Name: value"
    std::string body;                 // JSON; empty sends a GET
    std::chrono::milliseconds connectTimeout{5000};
};

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

// Who answered, in the words the user's sentences use, and what to check when it refuses.
struct ApiIdentity {
    std::string service;    // "DeepL"
    std::string keyHint;    // "QUILLO_DEEPL_KEY"
    std::string secret;     // the key, blanked out of anything logged
};

// The backend result for a reply that is not a 200: tryNext for network failures, time-outs
// and 5xx; a sentence about the key for 401/403; about the rate for 429.
BackendResult ApiFailure(const ApiReply& reply, const ApiIdentity& who);
// The backend result for a 200 whose body could not be read.
BackendResult UnreadableReply(const ApiReply& reply, const ApiIdentity& who, std::string_view what);

// `text` with every occurrence of `secret` replaced, cut to a length fit for a log line.
std::string Redacted(std::string text, const std::string& secret);

} // namespace quillo::server
