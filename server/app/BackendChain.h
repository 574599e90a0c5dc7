#pragma once
// Builds the chain of engines the service translates with, from the settings: the order named
// (--backend or [engines] order), else every engine that is set up, in the order
//     apertium, deepl, llm, libretranslate, dictionary
// (Apertium first for the pairs it has, DeepL before a chat model). With nothing configured, a
// local Ollama found on loopback joins as the chat model.

#include "server/app/ServerOptions.h"
#include "server/engines/TranslationBackend.h"

#include <memory>
#include <string>
#include <vector>

namespace quillo::server {

// Empty with `error` set when a named engine cannot be had.
std::vector<std::unique_ptr<TranslationBackend>> MakeBackends(const ServeOptions& options, std::string& error);

} // namespace quillo::server
