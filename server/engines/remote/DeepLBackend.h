#pragma once
// DeepL's API v2: POST /v2/translate with "Authorization: DeepL-Auth-Key KEY", a JSON body
// whose "text" list carries the text's pieces, the languages in DeepL's codes and the subject
// field as "context". Keys ending in ":fx" belong to the free plan and its own host.

#include "server/engines/TranslationBackend.h"
#include "server/engines/remote/DeepLGlossaries.h"

#include <chrono>
#include <memory>
#include <string>

namespace quillo::server {

struct DeepLOptions {
    std::string key;
    std::string url; // another DeepL-compatible host; empty = DeepL's own for the key's plan
    std::chrono::milliseconds budget{30000};
};

class DeepLBackend final : public TranslationBackend {
public:
    explicit DeepLBackend(DeepLOptions options);

    std::string_view name() const override { return "deepl"; }
    bool covers(std::string_view source, std::string_view target) const override;
    GlossaryWay glossaryWay() const override { return GlossaryWay::Native; }
    BackendResult translate(const TranslationRequest& request) override;

    // The host for a key when no other is given.
    static std::string defaultHost(const std::string& key);
    // DeepL's code for one of ours, as a source or as a target language.
    static std::string_view sourceCode(std::string_view code);
    static std::string_view targetCode(std::string_view code);

private:
    DeepLOptions options_;
    std::string endpoint_;
    std::unique_ptr<DeepLGlossaries> glossaries_;
};

} // namespace quillo::server
