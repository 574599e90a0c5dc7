#include "server/app/BackendChain.h"

#include "server/base/Log.h"
#include "server/engines/AllEngines.h"
#include "server/engines/EngineChain.h"

namespace quillo::server {

EngineSources EngineSourcesOf(const ServeOptions& options)
{
    return {options.configFile, options.dataDirectory, options.backends, options.engineValues, options.offline};
}

bool LoadEngineSettings(const ServeOptions& options, EngineSettings& settings, std::string& error)
{
    return LoadEngineSettings(AllEngines(), EngineSourcesOf(options), settings, error);
}

std::vector<std::unique_ptr<TranslationBackend>> MakeBackends(const ServeOptions& options, std::string& error)
{
    EngineSettings settings;
    if (!LoadEngineSettings(options, settings, error))
        return {};
    for (const std::string& warning : settings.warnings)
        LogWarning(warning);
    return MakeChain(AllEngines(), settings, error);
}

} // namespace quillo::server
