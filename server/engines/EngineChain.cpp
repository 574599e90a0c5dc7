#include "server/engines/EngineChain.h"

#include <algorithm>

namespace quillo::server {

namespace {

// No order and no engine given what it needs by the user: only then may one look for itself.
bool nothingConfigured(const EngineRegistry& registry, EngineSettings& settings)
{
    return settings.order.empty() && settings.instances.empty()
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
        for (const std::string& instance : settings.instances) {
            if (registry.find(instance) == &engine && engine.setUp && engine.setUp(settings.config(instance)))
                ids.push_back(instance);
        }
    }
    return ids;
}

bool sendsTextAway(const EngineRegistry& registry, const std::string& id)
{
    const EngineDescriptor* engine = registry.find(id);
    return engine && engine->online;
}

} // namespace

std::vector<std::string> ChainIds(const EngineRegistry& registry, EngineSettings& settings)
{
    std::vector<std::string> ids = settings.order.empty() ? defaultOrder(registry, settings) : settings.order;
    if (settings.offline)
        std::erase_if(ids, [&registry](const std::string& id) { return sendsTextAway(registry, id); });
    return ids;
}

std::vector<std::unique_ptr<TranslationBackend>> MakeChain(const EngineRegistry& registry,
                                                           EngineSettings& settings, std::string& error)
{
    std::vector<std::unique_ptr<TranslationBackend>> backends;
    for (const std::string& id : ChainIds(registry, settings)) {
        const EngineDescriptor* engine = registry.find(id);
        const std::string section = engine ? SectionOf(*engine, id) : std::string();
        if (!engine || !settings.engines.contains(section)) {
            error = engine ? "no [" + section + "] section for the engine \"" + id + "\"" : "unknown engine \"" + id + "\"";
            return {};
        }
        auto backend = engine->make(settings.config(section), error);
        if (!backend)
            return {};
        backends.push_back(std::move(backend));
    }
    return backends;
}

} // namespace quillo::server
