#include "server/api/ServiceEngines.h"

#include "server/engines/TranslationService.h"

namespace quillo::server {

std::vector<EngineSummary> ServiceEngines::engines() const
{
    std::vector<EngineSummary> summaries;
    for (EngineInfo& engine : service_.engines())
        summaries.push_back({std::move(engine.id), std::move(engine.name), std::string(EngineKindName(engine.kind)),
                             engine.online, std::move(engine.pairs)});
    return summaries;
}

std::vector<EngineOutcome> ServiceEngines::translate(const TranslationRequest& request, const EngineSelection& selection,
                                                     const OnPiece& onPiece, const OnOutcome& onOutcome) const
{
    std::vector<std::string> ids = selection.ids;
    if (selection.mode == EngineSelection::Mode::All)
        ids = service_.enginesFor(*request.source, *request.target);
    if (selection.mode == EngineSelection::Mode::Chain) {
        std::string first = service_.engineIdFor(*request.source, *request.target);
        if (first.empty()) {
            EngineOutcome none{"", "", false, "", TranslationService::noEngineSentence(*request.source, *request.target)};
            if (onOutcome)
                onOutcome(none);
            return {none};
        }
        ids = {std::move(first)};
    }
    EnginePieceSink pieces;
    if (onPiece)
        pieces = [&onPiece](std::string_view engine, std::string_view piece) { onPiece(std::string(engine), piece); };
    std::vector<EngineOutcome> outcomes;
    for (EngineAnswer& answer : service_.translateWithEach(ids, request, pieces)) {
        EngineOutcome outcome{std::move(answer.engine), std::string(EngineKindName(answer.kind)), answer.ok, {}, {}, answer.rateLimited};
        (answer.ok ? outcome.text : outcome.error) = std::move(answer.text);
        outcome.missingTerms = std::move(answer.missingTerms);
        if (onOutcome)
            onOutcome(outcome);
        outcomes.push_back(std::move(outcome));
    }
    return outcomes;
}

std::string ServiceEngines::prepare(const ServiceLanguage& source, const ServiceLanguage& target) const
{
    return service_.prepare(source, target);
}

} // namespace quillo::server
