#pragma once
// What a translation API's failures mean for the user, shared by the hosted engines: the split
// between failures the next engine may cover (network, 5xx, time-out) and those it may not (a
// refused key, too many requests), and the key kept out of every log line and reply.

#include "server/engines/TranslationBackend.h"
#include "server/fetch/ApiCall.h"

#include <string>
#include <string_view>

namespace quillo::server {

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
