#pragma once
// Which translation engines to use and how to reach them. Three sources, each overriding the one
// before: the INI file (--config, else engines.ini in the data folder), the environment, and the
// command line. Each engine reads its own section; which keys, variables and options there are
// is the registry's business:
//
//     [engines]
//     order = apertium, deepl, llm, libretranslate, dictionary
//     [llm]
//     url = http://127.0.0.1:11434/v1
//     model = qwen2.5:7b
//     [deepl]
//     key = 0123...:fx
//     [llm.local]                 ; a further chat model, the engine "llm.local"
//     url = http://127.0.0.1:8080/v1
//     [general]
//     offline = true              ; no engine that sends text off the machine

#include "server/engines/EngineRegistry.h"

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace quillo::server {

// Where the settings come from besides the environment.
struct EngineSources {
    std::string configFile;    // empty: DATA/engines.ini when it exists
    std::string dataDirectory;
    std::vector<std::string> order;            // --backend; empty = the file's, else the default
    std::map<std::string, std::string> values; // "section/key" from the command line
    bool offline = false;                      // --offline
};

struct EngineSettings {
    std::vector<std::string> order; // empty = the default order of what is set up
    std::map<std::string, EngineConfig, std::less<>> engines; // by section
    // What the operator should hear at start: lines of the file that were not understood, engine
    // addresses that cannot be reached. Each names the file's line, the variable or the option.
    std::vector<std::string> warnings;
    // Named instances of engines that allow them ("llm.NAME"), in the file's order.
    std::vector<std::string> instances;
    // Only engines that keep the text on this machine ([general] offline, or --offline).
    bool offline = false;

    std::string value(std::string_view section, std::string_view key) const;
    EngineConfig& config(const std::string& section) { return engines[section]; }
};

// The section of engines.ini an engine id reads: "llm" for llm, "llm.local" for llm.local.
std::string SectionOf(const EngineDescriptor& engine, std::string_view id);
// "true", "1", "yes" or "on".
bool IsTrue(std::string_view value);

// The settings for every registered engine; false with `error` set when the file cannot be read
// or holds a value that is not understood.
bool LoadEngineSettings(const EngineRegistry& registry, const EngineSources& sources,
                        EngineSettings& settings, std::string& error);

} // namespace quillo::server
