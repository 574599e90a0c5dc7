#include "server/TranslationService.h"

#include "server/Log.h"

namespace quillo::server {

TranslationService::TranslationService(std::vector<std::unique_ptr<TranslationBackend>> backends)
    : backends_(std::move(backends))
{
}

TranslationService::Coverage TranslationService::coverage(const ServiceLanguage& source,
                                                         const ServiceLanguage& target) const
{
    bool unreachable = false;
    for (const auto& backend : backends_) {
        if (backend->wordsOnly())
            continue;
        if (backend->covers(source.code, target.code))
            return Coverage::Covered;
        unreachable = unreachable || !backend->reachable();
    }
    return unreachable ? Coverage::Unreachable : Coverage::NoEngine;
}

Translation TranslationService::translate(const TranslationRequest& request) const
{
    const std::string pair = std::string(request.source->code) + "->" + std::string(request.target->code);
    std::string lastFailure;
    const Coverage translators = coverage(*request.source, *request.target);
    for (const auto& backend : backends_) {
        if (!backend->covers(request.source->code, request.target->code) || !backend->accepts(request)
            || (backend->wordsOnly() && translators == Coverage::Covered))
            continue;
        BackendResult result = backend->translate(request);
        if (result.ok)
            return {Translation::Outcome::Translated, std::move(result.text)};
        LogError(std::string(backend->name()) + " failed on " + pair + ": " + result.error);
        lastFailure = result.userMessage.empty() ? failureSentence() : std::move(result.userMessage);
        if (!result.tryNext)
            return {Translation::Outcome::Failed, std::move(lastFailure)};
    }
    if (!lastFailure.empty())
        return {Translation::Outcome::Failed, std::move(lastFailure)};
    if (translators == Coverage::Unreachable) {
        LogError("no reachable engine for " + pair);
        return {Translation::Outcome::Failed, failureSentence()};
    }
    LogWarning("no engine for " + pair);
    return {Translation::Outcome::NoEngine, noEngineSentence(*request.source, *request.target)};
}

const TranslationBackend* TranslationService::engineFor(const ServiceLanguage& source,
                                                        const ServiceLanguage& target) const
{
    const TranslationBackend* dictionary = nullptr;
    for (const auto& backend : backends_) {
        if (!backend->covers(source.code, target.code))
            continue;
        if (!backend->wordsOnly())
            return backend.get();
        dictionary = dictionary ? dictionary : backend.get();
    }
    return dictionary;
}

std::string TranslationService::backendNames() const
{
    std::string names;
    for (const auto& backend : backends_) {
        if (!names.empty())
            names += ",";
        names += backend->name();
    }
    return names.empty() ? "none" : names;
}

std::string TranslationService::noEngineSentence(const ServiceLanguage& source,
                                                 const ServiceLanguage& target)
{
    return "本服务器没有从" + std::string(source.name) + "翻译到" + std::string(target.name)
        + "的翻译引擎。\n" + std::string(kAddEngineHint);
}

std::string TranslationService::failureSentence()
{
    return "翻译引擎出错，本次翻译没有完成，请稍后再试。";
}

} // namespace quillo::server
