#pragma once
// MyMemory's public translation API, which needs no key: GET {url}/get?q=TEXT&langpair=zh-CN|en,
// with the operator's contact address as `de` when one is set (the provider then allows about
// ten times the anonymous daily volume). A request holds at most 500 bytes of text, so longer
// texts go sentence by sentence. Its refusals come back as JSON with a status of their own,
// sometimes under HTTP 200: the daily quota used up, an unknown pair, a failure on its side.

#include "server/engines/TranslationBackend.h"

#include <chrono>
#include <string>

namespace quillo::server {

struct MyMemoryOptions {
    std::string url = "https://api.mymemory.translated.net"; // "/get" is appended
    std::string email;                                      // sent as `de` when not empty
    std::chrono::milliseconds budget{20000};                // for one whole text, every piece included
};

class MyMemoryBackend final : public TranslationBackend {
public:
    static constexpr size_t kMaxQueryBytes = 500;

    explicit MyMemoryBackend(MyMemoryOptions options);

    std::string_view name() const override { return "mymemory"; }
    bool covers(std::string_view source, std::string_view target) const override;
    BackendResult translate(const TranslationRequest& request) override;

    // "zh-CN", "zh-TW", "en", ...; empty for a code it has no name for.
    static std::string_view languageCode(std::string_view code);
    // The address asked for one piece of text.
    std::string queryUrl(std::string_view text, std::string_view source, std::string_view target) const;

private:
    BackendResult translatePiece(const std::string& text, const TranslationRequest& request,
                                 std::chrono::steady_clock::time_point deadline) const;

    MyMemoryOptions options_;
};

} // namespace quillo::server
