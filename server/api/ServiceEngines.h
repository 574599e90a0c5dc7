#pragma once
// The API's view of the translation service: its engines, the chain's first engine for a pair,
// named engines, or every engine of the pair, the pieces of each reply passed on as they come.

#include "server/api/ApiEngines.h"

namespace quillo::server {

class TranslationService;

class ServiceEngines final : public ApiEngines {
public:
    explicit ServiceEngines(const TranslationService& service) : service_(service) {}

    std::vector<EngineSummary> engines() const override;
    std::vector<EngineOutcome> translate(const TranslationRequest& request, const EngineSelection& selection,
                                         const OnPiece& onPiece, const OnOutcome& onOutcome) const override;
    std::string prepare(const ServiceLanguage& source, const ServiceLanguage& target) const override;

private:
    const TranslationService& service_;
};

} // namespace quillo::server
