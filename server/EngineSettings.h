#pragma once
// Which translation engines to use and how to reach them. Three sources, each overriding the one
// before: the INI file given with --config, the environment (QUILLO_LLM_URL, QUILLO_LLM_KEY,
// QUILLO_LLM_MODEL, QUILLO_DEEPL_KEY, QUILLO_DEEPL_URL), and the command line.
//
//     [engines]
//     order = apertium, deepl, llm, libretranslate, dictionary
//     [llm]
//     url = http://127.0.0.1:11434/v1
//     key =
//     model = qwen2.5:7b
//     timeout = 60
//     [deepl]
//     key = 0123...:fx
//     url =
//     [libretranslate]
//     url = http://127.0.0.1:5000
//     key =
//     [dictionary]
//     file = /path/to/cedict_ts.u8

#include "server/ServerOptions.h"

#include <string>
#include <string_view>
#include <vector>

namespace quillo::server {

bool IsBackendName(std::string_view name);

struct EngineSettings {
    std::vector<std::string> order; // empty = the default order of what is configured
    std::string llmUrl, llmKey, llmModel;
    int llmTimeoutSeconds = 40;
    std::string deeplKey, deeplUrl;
    std::string libreTranslateUrl, libreTranslateKey;
    std::string dictionaryFile;
    // What the operator should hear at start: lines of the file that were not understood, engine
    // addresses that cannot be reached. Each names the file's line, the variable or the option.
    std::vector<std::string> warnings;

    // Nothing but what needs no setting (Apertium, the dictionary): Ollama may then be looked for.
    bool nothingConfigured() const;
};

// The settings for `options`; false with `error` set when the file cannot be read or holds a
// value that is not understood.
bool LoadEngineSettings(const ServeOptions& options, EngineSettings& settings, std::string& error);

// Where setup puts CC-CEDICT unless the build says otherwise.
std::string DefaultDictionaryFile();

} // namespace quillo::server
