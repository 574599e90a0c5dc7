#pragma once
// What the open API and the LibreTranslate-compatible routes need of the translation engines:
// the list of engines with the pairs each serves, and a translation by the chain's choice, by
// named engines or by every engine of the pair, each result tagged with its engine and the
// pieces of each reply handed on as they arrive.

#include "server/engines/TranslationBackend.h"

#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quillo::server {

struct EngineSummary {
    std::string id;
    std::string name; // the display name
    std::string kind; // "mt", "llm", "dictionary", "online"
    bool online = false; // sends the text off this machine
    std::vector<std::pair<const ServiceLanguage*, const ServiceLanguage*>> pairs;
};

struct EngineOutcome {
    std::string engine;
    std::string kind;
    bool ok = false;
    std::string text;  // the translation when ok
    std::string error; // a sentence for the user otherwise
    bool rateLimited = false; // the engine refused for too many requests
    std::vector<std::string> missingTerms{}; // glossary terms whose translation did not come out
};

// A piece of one engine's reply, as it arrives. Called from the engines' threads, one call at a
// time per engine; engines that do not stream give their whole reply as one piece.
using OnPiece = std::function<void(const std::string& engine, std::string_view piece)>;

// One engine's outcome, as soon as that engine is done (several engines may finish in any order).
using OnOutcome = std::function<void(const EngineOutcome&)>;

struct EngineSelection {
    enum class Mode { Chain, Named, All };
    Mode mode = Mode::Chain;
    std::vector<std::string> ids; // Named
};

class ApiEngines {
public:
    virtual ~ApiEngines() = default;
    virtual std::vector<EngineSummary> engines() const = 0;
    // One outcome per engine asked, in the order asked (the chain's choice: the engine that
    // answered). An id that names no engine, or an engine that does not serve the pair, gets an
    // outcome with its error.
    // The callbacks may be empty.
    virtual std::vector<EngineOutcome> translate(const TranslationRequest& request, const EngineSelection& selection,
                                                 const OnPiece& onPiece, const OnOutcome& onOutcome) const = 0;
    // The engine that serves the pair gets ready for it in the background; its id, empty for none.
    virtual std::string prepare(const ServiceLanguage& source, const ServiceLanguage& target) const = 0;
};

// What a client may do to the engines themselves: have the settings read again, and try one
// engine's settings before they are saved.
class EngineControl {
public:
    struct Reload {
        bool ok = false;
        std::string error;                // why the settings were not taken (the old engines stay)
        std::vector<std::string> engines; // the chain now, in its order
    };

    virtual ~EngineControl() = default;
    virtual Reload reload() const = 0;
    // The engine `engine` ("llm", "llm.NAME", "deepl", ...) made from these values of its section
    // alone, asked to translate the request; its own error when it cannot be made or fails.
    virtual EngineOutcome test(const std::string& engine, const std::map<std::string, std::string>& settings,
                               const TranslationRequest& request) const = 0;
};

} // namespace quillo::server
