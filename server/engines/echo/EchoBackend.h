#pragma once
// A deterministic stand-in for tests: "[<target code as sent>] <text>", for every pair.

#include "server/engines/TranslationBackend.h"

namespace quillo::server {

class EchoBackend final : public TranslationBackend {
public:
    std::string_view name() const override { return "echo"; }
    bool covers(std::string_view, std::string_view) const override { return true; }
    BackendResult translate(const TranslationRequest& request) override;
};

} // namespace quillo::server
