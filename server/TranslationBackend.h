#pragma once
// The one small interface every translation engine sits behind.

#include "server/ServiceLanguages.h"

#include <string>
#include <string_view>

namespace quillo::server {

struct TranslationRequest {
    std::string text; // UTF-8
    const ServiceLanguage* source = nullptr;
    const ServiceLanguage* target = nullptr;
    std::string targetAsSent; // the target code exactly as the client wrote it
    std::string topic;        // "gl1" .. "gl21" or empty; engines may ignore it
};

struct BackendResult {
    bool ok = false;
    std::string text;  // the translation (UTF-8) when ok
    std::string error; // what went wrong otherwise, for the log
};

class TranslationBackend {
public:
    virtual ~TranslationBackend() = default;
    virtual std::string_view name() const = 0;
    // Whether this engine can translate from one short code ("en") to another.
    virtual bool covers(std::string_view source, std::string_view target) const = 0;
    // False while the engine cannot tell what it covers (a remote engine that does not answer).
    virtual bool reachable() const { return true; }
    // Called from many request threads at once.
    virtual BackendResult translate(const TranslationRequest& request) = 0;
};

} // namespace quillo::server
