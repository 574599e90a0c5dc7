#pragma once
// The engines a server started with these options translates with: the registry's settings read
// from the options' sources, then the chain built from them.

#include "server/app/ServerOptions.h"
#include "server/engines/EngineSettings.h"
#include "server/engines/TranslationBackend.h"

#include <memory>
#include <string>
#include <vector>

namespace quillo::server {

// The configuration file, the data folder, --backend and the engines' own options.
EngineSources EngineSourcesOf(const ServeOptions& options);

bool LoadEngineSettings(const ServeOptions& options, EngineSettings& settings, std::string& error);

// Empty with `error` set when a named engine cannot be had.
std::vector<std::unique_ptr<TranslationBackend>> MakeBackends(const ServeOptions& options, std::string& error);

} // namespace quillo::server
