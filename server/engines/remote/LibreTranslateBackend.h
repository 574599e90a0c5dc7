#pragma once
// Forwards to a LibreTranslate-compatible server: POST /translate with q, source, target and
// format, and the server's own language codes from GET /languages. This is how a deployer
// gets the languages Apertium lacks (Chinese, Japanese, Korean, Russian, German, ...).

#include "server/engines/TranslationBackend.h"

#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>

namespace quillo::server {

struct LibreTranslateOptions {
    std::string url;    // "http://host:port" with an optional path prefix
    std::string apiKey; // sent as api_key when not empty
    std::chrono::seconds connectTimeout{5};
    std::chrono::seconds timeout{30};
};

class LibreTranslateBackend final : public TranslationBackend {
public:
    explicit LibreTranslateBackend(LibreTranslateOptions options);

    std::string_view name() const override { return "libretranslate"; }
    bool covers(std::string_view source, std::string_view target) const override;
    BackendResult translate(const TranslationRequest& request) override;

    // Whether the language list could be read (it is tried again at most every 30 s).
    bool reachable() const override;

private:
    struct Languages {
        std::map<std::string, std::set<std::string>> targets; // source code -> target codes
    };
    // The server's spelling of one of our short codes, or nullopt when it lacks the language.
    static std::optional<std::string> serverCode(const Languages& languages, std::string_view code);
    std::shared_ptr<const Languages> languages() const;

    LibreTranslateOptions options_;
    std::string origin_; // scheme, host and port
    std::string prefix_; // path before /translate

    mutable std::mutex mutex_;
    mutable std::shared_ptr<const Languages> languages_;
    mutable std::chrono::steady_clock::time_point lastAttempt_{};
};

} // namespace quillo::server
