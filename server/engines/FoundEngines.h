#pragma once
// Engines found while the server runs rather than registered once at start: the dictionaries on
// the machine and those a user drops into the data folder. The service asks for the current list
// whenever it needs one, so an engine found later serves without a restart.

#include "server/engines/EngineRegistry.h"
#include "server/engines/TranslationBackend.h"

#include <memory>
#include <string>
#include <vector>

namespace quillo::server {

struct FoundEngine {
    std::string id;
    std::string name; // its own title
    EngineKind kind = EngineKind::Dictionary;
    bool online = false;
    std::shared_ptr<TranslationBackend> backend;
};

class FoundEngines {
public:
    virtual ~FoundEngines() = default;
    // Called from many request threads at once.
    virtual std::vector<FoundEngine> current() const = 0;
};

} // namespace quillo::server
