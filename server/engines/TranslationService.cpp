#include "server/engines/TranslationService.h"

#include "server/base/Log.h"

#include <algorithm>
#include <future>
#include <numeric>

namespace quillo::server {

TranslationService::TranslationService(std::vector<std::unique_ptr<TranslationBackend>> backends,
                                       const EngineRegistry* registry)
    : backends_(std::make_shared<const Backends>(std::move(backends))), registry_(registry)
{
}

std::shared_ptr<const TranslationService::Backends> TranslationService::current() const
{
    std::lock_guard lock(mutex_);
    return backends_;
}

void TranslationService::replaceBackends(std::vector<std::unique_ptr<TranslationBackend>> backends)
{
    auto fresh = std::make_shared<const Backends>(std::move(backends));
    std::lock_guard lock(mutex_);
    backends_.swap(fresh);
    // The old set goes when `fresh` (now holding it) and the calls still using it let go.
}

TranslationService::Coverage TranslationService::coverage(const ServiceLanguage& source,
                                                         const ServiceLanguage& target) const
{
    return coverage(*current(), source, target);
}

TranslationService::Coverage TranslationService::coverage(const Backends& backends, const ServiceLanguage& source,
                                                         const ServiceLanguage& target)
{
    bool unreachable = false;
    for (const auto& backend : backends) {
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
    return std::move(translateMany(request, {request.text}).front());
}

Translation TranslationService::translateWithEntry(const TranslationRequest& request) const
{
    const auto backends = current();
    // The chain's own dictionaries (CC-CEDICT) first, then those found on the machine.
    std::vector<std::shared_ptr<TranslationBackend>> dictionaries;
    for (const auto& backend : *backends) {
        if (backend->wordsOnly())
            dictionaries.emplace_back(std::shared_ptr<void>(), backend.get()); // owned by `backends`
    }
    for (FoundEngine& found : foundEngines())
        dictionaries.push_back(std::move(found.backend));
    for (const auto& dictionary : dictionaries) {
        if (!dictionary->covers(request.source->code, request.target->code) || !dictionary->accepts(request))
            continue;
        BackendResult entry = dictionary->translate(request);
        if (!entry.ok)
            continue;
        Translation answer{Translation::Outcome::Translated, std::move(entry.text)};
        if (coverage(*backends, *request.source, *request.target) == Coverage::Covered) {
            const Translation translated = translate(request);
            if (translated.outcome == Translation::Outcome::Translated)
                answer.text += "\n\n【译文】\n" + translated.text;
        }
        return answer;
    }
    return translate(request);
}

std::vector<Translation> TranslationService::translateMany(const TranslationRequest& request,
                                                           const std::vector<std::string>& texts) const
{
    const auto backends = current();
    const std::string pair = std::string(request.source->code) + "->" + std::string(request.target->code);
    const Coverage translators = coverage(*backends, *request.source, *request.target);
    std::vector<Translation> results(texts.size());
    std::vector<size_t> open(texts.size());
    std::iota(open.begin(), open.end(), size_t{0});
    std::string lastFailure;
    for (const auto& backend : *backends) {
        if (open.empty())
            break;
        if (!backend->covers(request.source->code, request.target->code)
            || (backend->wordsOnly() && translators == Coverage::Covered))
            continue;
        std::vector<size_t> taken;
        std::vector<size_t> left;
        std::vector<std::string> batch;
        TranslationRequest one = request;
        for (size_t i : open) {
            one.text = texts[i];
            if (backend->accepts(one)) {
                taken.push_back(i);
                batch.push_back(texts[i]);
            } else {
                left.push_back(i);
            }
        }
        if (taken.empty())
            continue;
        const GlossaryBatch kept(backend->glossaryWay(), termsFor(request, *backend), batch);
        TranslationRequest asked = request;
        asked.glossary = kept.glossary();
        std::vector<BackendResult> answers = backend->translateMany(asked, kept.texts());
        answers.resize(taken.size(), BackendResult(false, {}, "no answer for this text"));
        size_t failures = 0;
        for (size_t k = 0; k < taken.size(); ++k) {
            BackendResult& answer = answers[k];
            if (answer.ok) {
                Translation& result = results[taken[k]];
                result.outcome = Translation::Outcome::Translated;
                result.text = kept.finish(k, answer.text, result.missingTerms);
                continue;
            }
            if (failures++ == 0)
                LogError(std::string(backend->name()) + " failed on " + pair + ": " + answer.error);
            lastFailure = answer.userMessage.empty() ? failureSentence() : std::move(answer.userMessage);
            if (answer.tryNext)
                left.push_back(taken[k]);
            else
                results[taken[k]] = {Translation::Outcome::Failed, lastFailure, {}};
        }
        if (failures > 1)
            LogError(std::string(backend->name()) + ": " + std::to_string(failures) + " of "
                     + std::to_string(taken.size()) + " texts failed on " + pair);
        std::sort(left.begin(), left.end());
        open = std::move(left);
    }
    if (open.empty())
        return results;
    Translation leftOver{Translation::Outcome::Failed, lastFailure, {}};
    if (lastFailure.empty() && translators == Coverage::Unreachable) {
        LogError("no reachable engine for " + pair);
        leftOver.text = failureSentence();
    } else if (lastFailure.empty()) {
        LogWarning("no engine for " + pair);
        leftOver = {Translation::Outcome::NoEngine, noEngineSentence(*request.source, *request.target), {}};
    }
    for (size_t i : open)
        results[i] = leftOver;
    return results;
}

const TranslationBackend* TranslationService::engineFor(const ServiceLanguage& source,
                                                        const ServiceLanguage& target) const
{
    return engineFor(*current(), source, target);
}

std::string TranslationService::engineIdFor(const ServiceLanguage& source, const ServiceLanguage& target) const
{
    const auto backends = current();
    const TranslationBackend* engine = engineFor(*backends, source, target);
    return engine ? std::string(engine->name()) : std::string();
}

const TranslationBackend* TranslationService::engineFor(const Backends& backends, const ServiceLanguage& source,
                                                        const ServiceLanguage& target) const
{
    const TranslationBackend* dictionary = nullptr;
    for (const auto& backend : backends) {
        if (!backend->covers(source.code, target.code))
            continue;
        if (!backend->wordsOnly())
            return backend.get();
        dictionary = dictionary ? dictionary : backend.get();
    }
    if (dictionary)
        return dictionary;
    // Found engines stay alive while the service lives, though they may stop answering.
    for (const FoundEngine& found : foundEngines()) {
        if (found.backend->covers(source.code, target.code))
            return found.backend.get();
    }
    return nullptr;
}

std::string TranslationService::prepare(const ServiceLanguage& source, const ServiceLanguage& target) const
{
    const auto backends = current();
    const TranslationBackend* engine = engineFor(*backends, source, target);
    const std::shared_ptr<TranslationBackend> backend = engine ? backendNamed(*backends, engine->name()) : nullptr;
    if (!backend)
        return {};
    backend->prepare(source.code, target.code);
    return std::string(backend->name());
}

std::string TranslationService::backendNames() const
{
    std::string names;
    for (const auto& backend : *current()) {
        if (!names.empty())
            names += ",";
        names += backend->name();
    }
    return names.empty() ? "none" : names;
}

std::shared_ptr<TranslationBackend> TranslationService::backendNamed(const Backends& backends, std::string_view id) const
{
    for (const auto& backend : backends) {
        if (backend->name() == id)
            return std::shared_ptr<TranslationBackend>(std::shared_ptr<void>(), backend.get()); // owned here
    }
    for (FoundEngine& found : foundEngines()) {
        if (found.id == id)
            return std::move(found.backend);
    }
    return nullptr;
}

std::vector<FoundEngine> TranslationService::foundEngines() const
{
    return found_ ? found_->current() : std::vector<FoundEngine>();
}

EngineKind TranslationService::kindOf(const TranslationBackend& backend) const
{
    if (const EngineDescriptor* registered = registry_ ? registry_->find(backend.name()) : nullptr)
        return registered->kind;
    return backend.wordsOnly() ? EngineKind::Dictionary : EngineKind::MachineTranslation;
}

std::vector<GlossaryTerm> TranslationService::termsFor(const TranslationRequest& request,
                                                       const TranslationBackend& backend) const
{
    // A dictionary answers a word with its entries: a term's translation would hide them.
    if (!glossary_ || backend.wordsOnly() || request.source == request.target)
        return {};
    return glossary_(*request.source, *request.target);
}

std::vector<std::pair<const ServiceLanguage*, const ServiceLanguage*>>
TranslationService::pairsOf(const TranslationBackend& backend)
{
    std::vector<std::pair<const ServiceLanguage*, const ServiceLanguage*>> pairs;
    for (const ServiceLanguage& source : AllLanguages()) {
        for (const ServiceLanguage& target : AllLanguages()) {
            if (&source != &target && backend.covers(source.code, target.code))
                pairs.emplace_back(&source, &target);
        }
    }
    return pairs;
}

std::vector<EngineInfo> TranslationService::engines() const
{
    std::vector<EngineInfo> list;
    for (const auto& backend : *current()) {
        EngineInfo info{std::string(backend->name()), std::string(backend->name()), kindOf(*backend), false, {}};
        if (const EngineDescriptor* registered = registry_ ? registry_->find(backend->name()) : nullptr) {
            info.name = registry_->displayNameOf(backend->name());
            info.online = registered->online;
        }
        info.pairs = pairsOf(*backend);
        list.push_back(std::move(info));
    }
    for (FoundEngine& found : foundEngines())
        list.push_back({std::move(found.id), std::move(found.name), found.kind, found.online, pairsOf(*found.backend)});
    return list;
}

std::vector<std::string> TranslationService::enginesFor(const ServiceLanguage& source,
                                                        const ServiceLanguage& target) const
{
    std::vector<std::string> ids;
    for (const auto& backend : *current()) {
        if (backend->covers(source.code, target.code))
            ids.emplace_back(backend->name());
    }
    for (FoundEngine& found : foundEngines()) {
        if (found.backend->covers(source.code, target.code))
            ids.push_back(std::move(found.id));
    }
    return ids;
}

EngineAnswer TranslationService::translateWith(std::string_view engine, const TranslationRequest& request,
                                               const EnginePieceSink& onPiece) const
{
    return translateWith(*current(), engine, request, onPiece);
}

EngineAnswer TranslationService::translateWith(const Backends& backends, std::string_view engine,
                                               const TranslationRequest& request, const EnginePieceSink& onPiece) const
{
    EngineAnswer answer{std::string(engine), EngineKind::MachineTranslation, false, {}, {}, false, {}};
    const std::shared_ptr<TranslationBackend> backend = backendNamed(backends, engine);
    if (!backend) {
        answer.error = "no such engine";
        answer.text = "本服务器没有名为“" + answer.engine + "”的翻译引擎。";
        return answer;
    }
    answer.kind = kindOf(*backend);
    if (!backend->covers(request.source->code, request.target->code) || !backend->accepts(request)) {
        answer.error = "pair not served or text not taken";
        answer.text = noEngineSentence(*request.source, *request.target);
        return answer;
    }
    const GlossaryBatch kept(backend->glossaryWay(), termsFor(request, *backend), {request.text});
    TranslationRequest asked = request;
    asked.text = kept.texts().front();
    asked.glossary = kept.glossary();
    // Placeholders in pieces would reach the client: such a reply goes out whole, once put back.
    const bool wholeReply = asked.text != request.text && backend->glossaryWay() == GlossaryWay::Placeholders;
    // Engines may call the sink without looking: it always does something, if only nothing.
    PieceSink pieces = [](std::string_view) {};
    if (onPiece && !wholeReply)
        pieces = [&onPiece, &answer](std::string_view piece) { onPiece(answer.engine, piece); };
    BackendResult result = backend->translateInPieces(asked, pieces);
    answer.ok = result.ok;
    if (result.ok) {
        answer.text = kept.finish(0, result.text, answer.missingTerms);
        if (onPiece && wholeReply)
            onPiece(answer.engine, answer.text);
        return answer;
    }
    LogError(answer.engine + " failed on " + std::string(request.source->code) + "->"
             + std::string(request.target->code) + ": " + result.error);
    answer.error = std::move(result.error);
    answer.rateLimited = result.rateLimited;
    answer.tryNext = result.tryNext;
    answer.text = result.userMessage.empty() ? failureSentence() : std::move(result.userMessage);
    return answer;
}

std::vector<EngineAnswer> TranslationService::translateWithEach(const std::vector<std::string>& engines,
                                                                const TranslationRequest& request,
                                                                const EnginePieceSink& onPiece,
                                                                const EngineAnswerSink& onAnswer) const
{
    const auto backends = current();
    std::vector<std::future<EngineAnswer>> running;
    running.reserve(engines.size());
    for (const std::string& engine : engines) {
        running.push_back(std::async(std::launch::async, [this, &backends, &engine, &request, &onPiece, &onAnswer] {
            EngineAnswer answer = translateWith(*backends, engine, request, onPiece);
            if (onAnswer)
                onAnswer(answer);
            return answer;
        }));
    }
    std::vector<EngineAnswer> answers;
    answers.reserve(running.size());
    for (auto& answer : running)
        answers.push_back(answer.get());
    return answers;
}

std::optional<EngineAnswer> TranslationService::translateAlongChain(const TranslationRequest& request,
                                                                    const EnginePieceSink& onPiece) const
{
    const auto backends = current();
    const bool translators = coverage(*backends, *request.source, *request.target) == Coverage::Covered;
    std::optional<EngineAnswer> last;
    for (const auto& backend : *backends) {
        if (!backend->covers(request.source->code, request.target->code) || (backend->wordsOnly() && translators)
            || !backend->accepts(request))
            continue;
        last = translateWith(*backends, backend->name(), request, onPiece);
        if (last->ok || !last->tryNext)
            return last;
    }
    if (last)
        return last;
    // No engine of the chain serves the pair: a dictionary found on the machine may.
    const TranslationBackend* found = engineFor(*backends, *request.source, *request.target);
    if (!found)
        return std::nullopt;
    return translateWith(*backends, found->name(), request, onPiece);
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
