#pragma once
// Chooses the engine for a pair: the configured backends in their order of preference, the
// first that covers the pair translates. A pair none covers is answered with a sentence that
// says so, never with a made-up translation.

#include "server/TranslationBackend.h"

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
    // Unreachable when no engine covers the pair but one could not be asked.
    Coverage coverage(const ServiceLanguage& source, const ServiceLanguage& target) const;

    Translation translate(const TranslationRequest& request) const;
    std::string backendNames() const;

    static std::string noEngineSentence(const ServiceLanguage& source, const ServiceLanguage& target);
    static std::string failureSentence();

private:
    std::vector<std::unique_ptr<TranslationBackend>> backends_;
};

} // namespace quillo::server
