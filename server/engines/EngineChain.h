#pragma once
// Builds the chain of engines the service translates with: the order named (--backend or
// [engines] order), else every registered engine that is set up, in the order of their ranks
// (Apertium first for the pairs it has, DeepL before a chat model). With nothing configured, an
// engine that can find itself on this machine (a local Ollama) joins at its rank. The ranks put
// the engines that keep the text here first, then those the user set up, then the keyless online
// service. Named instances ("llm.NAME") follow their family. Offline, every engine that sends text
// off the machine is left out, named or not.

#include "server/engines/EngineRegistry.h"
#include "server/engines/EngineSettings.h"

#include <memory>
#include <string>
#include <vector>

namespace quillo::server {

// The ids of the chain's engines, in its order.
std::vector<std::string> ChainIds(const EngineRegistry& registry, EngineSettings& settings);

// Empty with `error` set when a named engine cannot be had.
std::vector<std::unique_ptr<TranslationBackend>> MakeChain(const EngineRegistry& registry,
                                                           EngineSettings& settings, std::string& error);

} // namespace quillo::server
