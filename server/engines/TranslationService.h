#pragma once
// Chooses the engine for a pair: the configured backends in their order of preference, the
// first that covers the pair (and takes the text) translates. One that cannot be reached or
// fails on its side hands the text on to the next; one that refuses (a wrong key) ends the
// request with its sentence. A pair none covers is answered with a sentence that says so and
// how to add an engine, never with a made-up translation.
//
// Besides the chain, a client may ask one named engine, or several at once, each answer tagged
// with its engine and failures kept per engine; the answers may come in pieces as they arrive.
//
// The engines can be replaced while the service runs (the settings were read again): each call
// holds the set it started with, so requests in flight finish on the old engines, which go when
// the last of them is done.

#include "server/engines/EngineRegistry.h"
#include "server/engines/FoundEngines.h"
#include "server/engines/TranslationBackend.h"

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace quillo::server {

struct Translation {
    enum class Outcome { Translated, NoEngine, Failed };
    Outcome outcome = Outcome::Failed;
    std::string text; // the translation, or a Chinese sentence for the user saying what failed
    std::vector<std::string> missingTerms{}; // glossary terms whose translation did not come out
};

struct EngineInfo {
    std::string id;
    std::string name; // for people, in Chinese
    EngineKind kind = EngineKind::MachineTranslation;
    bool online = false;
    std::vector<std::pair<const ServiceLanguage*, const ServiceLanguage*>> pairs; // source, target
};

// One engine's answer, tagged with the engine.
struct EngineAnswer {
    std::string engine; // its id
    EngineKind kind = EngineKind::MachineTranslation;
    bool ok = false;
    std::string text;  // the translation when ok, else a Chinese sentence for the user
    std::string error; // what went wrong, for the log
    bool rateLimited = false; // the engine refused for too many requests
    std::vector<std::string> missingTerms{}; // glossary terms whose translation did not come out
    bool tryNext = false; // the failure is the engine's own: the chain hands the text on
};

// Pieces of several engines' answers: which engine, and the piece.
using EnginePieceSink = std::function<void(std::string_view engine, std::string_view piece)>;
// One engine's answer, the moment that engine is done.
using EngineAnswerSink = std::function<void(const EngineAnswer&)>;

class TranslationService {
public:
    // `registry` tells each engine's name, kind and reach; engines it does not list are shown by
    // their id as offline machine translation (or dictionaries).
    explicit TranslationService(std::vector<std::unique_ptr<TranslationBackend>> backends,
                                const EngineRegistry* registry = nullptr);

    enum class Coverage { Covered, NoEngine, Unreachable };
    // Whether an engine that translates whole texts covers the pair (a dictionary does not count);
    // Unreachable when none does but one could not be asked.
    // Where the user's terms come from; none are kept until it is set. Set before serving.
    void setGlossary(GlossaryLookup lookup) { glossary_ = std::move(lookup); }

    Coverage coverage(const ServiceLanguage& source, const ServiceLanguage& target) const;

    Translation translate(const TranslationRequest& request) const;
    // For a reader of one text: a word or short term a dictionary has (the chain's own, then the
    // found ones) is answered with that dictionary's entry, followed by what the chain's translating engines make of it where one
    // covers the pair; any other text as translate().
    Translation translateWithEntry(const TranslationRequest& request) const;
    // Many texts of one pair (the runs of a page; `request` gives the pair, its text is not
    // used), one answer each, in order. Each engine gets the texts still open that it takes in
    // one call, so an engine that can translate them in one exchange does.
    std::vector<Translation> translateMany(const TranslationRequest& request,
                                           const std::vector<std::string>& texts) const;
    std::string backendNames() const;

    // Engines that come and go (dictionaries): listed after the chain's, asked by name, and
    // answering words first in translateWithEntry; never part of the first-wins chain.
    void setFoundEngines(std::shared_ptr<const FoundEngines> found) { found_ = std::move(found); }

    // Every engine of the chain, in its order, with the pairs each serves.
    std::vector<EngineInfo> engines() const;
    // The pairs of the language list an engine serves.
    static std::vector<std::pair<const ServiceLanguage*, const ServiceLanguage*>> pairsOf(const TranslationBackend& backend);
    // The ids of the engines that serve the pair (a dictionary included), in the chain's order.
    std::vector<std::string> enginesFor(const ServiceLanguage& source, const ServiceLanguage& target) const;
    // The named engine alone: no other is asked when it fails.
    EngineAnswer translateWith(std::string_view engine, const TranslationRequest& request,
                               const EnginePieceSink& onPiece = {}) const;
    // Each named engine at once, one thread each; the answers in the order named. `onPiece` and
    // `onAnswer` may be called from several threads at once, one engine's pieces always in order
    // and before its answer, which comes as soon as that engine is done, whatever the others do.
    std::vector<EngineAnswer> translateWithEach(const std::vector<std::string>& engines,
                                                const TranslationRequest& request,
                                                const EnginePieceSink& onPiece = {},
                                                const EngineAnswerSink& onAnswer = {}) const;
    // The chain's way with one text, tagged with the engine that answered: an engine that cannot
    // be reached or fails on its side hands the text on to the next, as translate() does; the
    // pieces of each engine asked are passed on. Nullopt when no engine serves the pair.
    std::optional<EngineAnswer> translateAlongChain(const TranslationRequest& request,
                                                    const EnginePieceSink& onPiece = {}) const;
    // The engine that serves the pair: the first that translates it, else a dictionary that
    // covers it; nullptr when none does. Valid until the engines are replaced.
    const TranslationBackend* engineFor(const ServiceLanguage& source, const ServiceLanguage& target) const;
    // The id of that engine; empty when none serves the pair.
    std::string engineIdFor(const ServiceLanguage& source, const ServiceLanguage& target) const;

    // From now on, calls use these engines; calls in flight keep the ones they started with.
    void replaceBackends(std::vector<std::unique_ptr<TranslationBackend>> backends);
    // Has the engine that serves the pair get ready for it in the background; its id, empty for none.
    std::string prepare(const ServiceLanguage& source, const ServiceLanguage& target) const;

    // The line after the no-engine sentence.
    static constexpr std::string_view kAddEngineHint =
        "添加翻译引擎：启动服务器前设置 QUILLO_LLM_URL（本机 Ollama 可自动发现）或 QUILLO_DEEPL_KEY，"
        "或用 --libretranslate 指向 LibreTranslate 服务器。";

    static std::string noEngineSentence(const ServiceLanguage& source, const ServiceLanguage& target);
    static std::string failureSentence();

private:
    using Backends = std::vector<std::unique_ptr<TranslationBackend>>;
    std::shared_ptr<const Backends> current() const;
    // Found engines (dictionaries) come after the configured ones.
    std::shared_ptr<TranslationBackend> backendNamed(const Backends& backends, std::string_view id) const;
    const TranslationBackend* engineFor(const Backends& backends, const ServiceLanguage& source,
                                        const ServiceLanguage& target) const;
    static Coverage coverage(const Backends& backends, const ServiceLanguage& source, const ServiceLanguage& target);
    EngineAnswer translateWith(const Backends& backends, std::string_view engine, const TranslationRequest& request,
                               const EnginePieceSink& onPiece) const;
    std::vector<FoundEngine> foundEngines() const;
    EngineKind kindOf(const TranslationBackend& backend) const;
    std::vector<GlossaryTerm> termsFor(const TranslationRequest& request, const TranslationBackend& backend) const;

    mutable std::mutex mutex_; // guards the pointer, not the engines
    std::shared_ptr<const Backends> backends_;
    const EngineRegistry* registry_;
    GlossaryLookup glossary_;
    std::shared_ptr<const FoundEngines> found_;
};

} // namespace quillo::server
