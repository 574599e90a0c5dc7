#include "server/engines/EngineChain.h"

#include <algorithm>

namespace quillo::server {

namespace {

// No order and no engine given what it needs by the user: only then may one look for itself.
bool nothingConfigured(const EngineRegistry& registry, EngineSettings& settings)
{
    return settings.order.empty()
        && std::none_of(registry.all().begin(), registry.all().end(), [&](const EngineDescriptor& engine) {
               return engine.configuredByUser && engine.setUp && engine.setUp(settings.config(engine.section));
           });
}

std::vector<std::string> defaultOrder(const EngineRegistry& registry, EngineSettings& settings)
{
    const bool discovering = nothingConfigured(registry, settings);
    std::vector<std::string> ids;
    for (const EngineDescriptor& engine : registry.all()) {
        EngineConfig& config = settings.config(engine.section);
        if ((engine.setUp && engine.setUp(config)) || (discovering && engine.discover && engine.discover(config)))
            ids.push_back(engine.id);
    }
    return ids;
}

} // namespace

std::vector<std::unique_ptr<TranslationBackend>> MakeChain(const EngineRegistry& registry,
                                                           EngineSettings& settings, std::string& error)
{
    const std::vector<std::string> ids = settings.order.empty() ? defaultOrder(registry, settings) : settings.order;
    std::vector<std::unique_ptr<TranslationBackend>> backends;
    for (const std::string& id : ids) {
        const EngineDescriptor* engine = registry.find(id);
        if (!engine) {
            error = "unknown engine \"" + id + "\"";
            return {};
        }
        auto backend = engine->make(settings.config(engine->section), error);
        if (!backend)
            return {};
        backends.push_back(std::move(backend));
    }
    return backends;
}

} // namespace quillo::server
