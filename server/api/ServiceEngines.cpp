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

namespace {

EngineOutcome outcomeOf(EngineAnswer answer)
{
    EngineOutcome outcome{std::move(answer.engine), std::string(EngineKindName(answer.kind)), answer.ok, {}, {}, answer.rateLimited};
    (answer.ok ? outcome.text : outcome.error) = std::move(answer.text);
    outcome.missingTerms = std::move(answer.missingTerms);
    return outcome;
}

} // namespace

std::vector<EngineOutcome> ServiceEngines::translate(const TranslationRequest& request, const EngineSelection& selection,
                                                     const OnPiece& onPiece, const OnOutcome& onOutcome) const
{
    EnginePieceSink pieces;
    if (onPiece)
        pieces = [&onPiece](std::string_view engine, std::string_view piece) { onPiece(std::string(engine), piece); };
    if (selection.mode == EngineSelection::Mode::Chain) {
        std::optional<EngineAnswer> answer = service_.translateAlongChain(request, pieces);
        EngineOutcome outcome = answer ? outcomeOf(std::move(*answer))
            : EngineOutcome{"", "", false, "", TranslationService::noEngineSentence(*request.source, *request.target)};
        if (onOutcome)
            onOutcome(outcome);
        return {std::move(outcome)};
    }
    const std::vector<std::string> ids = selection.mode == EngineSelection::Mode::All
        ? service_.enginesFor(*request.source, *request.target) : selection.ids;
    EngineAnswerSink answered;
    if (onOutcome)
        answered = [&onOutcome](const EngineAnswer& answer) { onOutcome(outcomeOf(answer)); };
    std::vector<EngineOutcome> outcomes;
    for (EngineAnswer& answer : service_.translateWithEach(ids, request, pieces, answered))
        outcomes.push_back(outcomeOf(std::move(answer)));
    return outcomes;
}

std::string ServiceEngines::prepare(const ServiceLanguage& source, const ServiceLanguage& target) const
{
    return service_.prepare(source, target);
}

} // namespace quillo::server
