#pragma once
// The running service's engines changed without a restart: the settings read again (on SIGHUP or
// through the API) and the new set swapped in whole, or, when they cannot be used, the old set
// kept; and one engine made from settings not yet saved, to try them.

#include "server/api/ApiEngines.h"
#include "server/app/ServerOptions.h"

#include <mutex>

namespace quillo::server {

class TranslationService;

class EngineReload final : public EngineControl {
public:
    EngineReload(ServeOptions options, TranslationService& service) : options_(std::move(options)), service_(service) {}

    Reload reload() const override;
    EngineOutcome test(const std::string& engine, const std::map<std::string, std::string>& settings,
                       const TranslationRequest& request) const override;

private:
    ServeOptions options_;
    TranslationService& service_;
    mutable std::mutex reloading_; // one reload at a time, so the last one read is the one used
};

} // namespace quillo::server
