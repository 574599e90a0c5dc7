#pragma once
// Chooses the engine for a pair: the configured backends in their order of preference, the
// first that covers the pair (and takes the text) translates. One that cannot be reached or
// fails on its side hands the text on to the next; one that refuses (a wrong key) ends the
// request with its sentence. A pair none covers is answered with a sentence that says so and
// how to add an engine, never with a made-up translation.

#include "server/engines/TranslationBackend.h"

#include <memory>
#include <string>
#include <vector>

namespace quillo::server {

struct Translation {
    enum class Outcome { Translated, NoEngine, Failed };
    Outcome outcome = Outcome::Failed;
    std::string text; // the translation, or a Chinese sentence for the user saying what failed
};

class TranslationService {
public:
    explicit TranslationService(std::vector<std::unique_ptr<TranslationBackend>> backends);

    enum class Coverage { Covered, NoEngine, Unreachable };
    // Whether an engine that translates whole texts covers the pair (a dictionary does not count);
    // Unreachable when none does but one could not be asked.
    Coverage coverage(const ServiceLanguage& source, const ServiceLanguage& target) const;

    Translation translate(const TranslationRequest& request) const;
    // Many texts of one pair (the runs of a page; `request` gives the pair, its text is not
    // used), one answer each, in order. Each engine gets the texts still open that it takes in
    // one call, so an engine that can translate them in one exchange does.
    std::vector<Translation> translateMany(const TranslationRequest& request,
                                           const std::vector<std::string>& texts) const;
    std::string backendNames() const;
    // The engine that serves the pair: the first that translates it, else a dictionary that
    // covers it; nullptr when none does.
    const TranslationBackend* engineFor(const ServiceLanguage& source, const ServiceLanguage& target) const;

    // The line after the no-engine sentence.
    static constexpr std::string_view kAddEngineHint =
        "添加翻译引擎：启动服务器前设置 QUILLO_LLM_URL（本机 Ollama 可自动发现）或 QUILLO_DEEPL_KEY，"
        "或用 --libretranslate 指向 LibreTranslate 服务器。";

    static std::string noEngineSentence(const ServiceLanguage& source, const ServiceLanguage& target);
    static std::string failureSentence();

private:
    std::vector<std::unique_ptr<TranslationBackend>> backends_;
};

} // namespace quillo::server
