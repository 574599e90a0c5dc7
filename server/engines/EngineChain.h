#pragma once
// Builds the chain of engines the service translates with: the order named (--backend or
// [engines] order), else every registered engine that is set up, in the order of their ranks
// (Apertium first for the pairs it has, DeepL before a chat model). With nothing configured, an
// engine that can find itself on this machine (a local Ollama) joins at its rank.

#include "server/engines/EngineRegistry.h"
#include "server/engines/EngineSettings.h"

#include <memory>
#include <vector>

namespace quillo::server {

// Empty with `error` set when a named engine cannot be had.
std::vector<std::unique_ptr<TranslationBackend>> MakeChain(const EngineRegistry& registry,
                                                           EngineSettings& settings, std::string& error);

} // namespace quillo::server
