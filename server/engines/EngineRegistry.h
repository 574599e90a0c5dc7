#pragma once
// Every engine the server knows, each registered once from its own folder: what it is, whether it
// sends text off the machine, the settings it reads and how it is made. The command line, --help,
// engines.ini, the default chain and `quillo-server engines` all read this list, so adding an
// engine touches only its folder (and its tests).

#include "server/engines/TranslationBackend.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace quillo::server {

enum class EngineKind { MachineTranslation, LanguageModel, Dictionary, OnlineService };

// "machine-translation", "language-model", "dictionary", "online-service".
std::string_view EngineKindName(EngineKind kind);

// One engine's settings: its section of engines.ini with the environment and the command line
// applied, and the server's data folder.
class EngineConfig {
public:
    std::string value(std::string_view key) const;
    // The value as a whole number (options with a range are checked when read).
    long long number(std::string_view key) const;
    void set(const std::string& key, std::string value) { values_[key] = std::move(value); }

    std::string dataDirectory;
    // The engine this section makes: its descriptor's id, or "llm.NAME" for a named instance.
    std::string id;

private:
    std::map<std::string, std::string, std::less<>> values_;
};

struct EngineOption {
    std::string key{};          // in the engine's section of engines.ini
    std::string environment{};  // a variable that overrides the file; empty = none
    std::string flag{};         // a command-line option that overrides both ("--dictionary"); empty = none
    std::string help{};         // its line in --help (with a flag) or in the environment list
    std::string defaultValue{};
    // A whole number in [minimum, maximum] when maximum > minimum.
    long long minimum = 0;
    long long maximum = 0;
    // An engine named with --backend is refused at once when this option has no flag value and no
    // configuration file could give it (it has no environment variable either).
    bool neededWhenNamed = false;
    std::string valueName = "VALUE"; // what --help shows after the flag

    bool accepts(std::string_view value) const;
};

struct EngineDescriptor {
    using Factory = std::function<std::unique_ptr<TranslationBackend>(EngineConfig&, std::string& error)>;

    std::string id;          // as written in --backend and [engines] order
    std::string displayName; // in Chinese, for people
    std::string shortName;   // in the table of `quillo-server engines`, at most 9 characters; empty = the id
    EngineKind kind = EngineKind::MachineTranslation;
    bool online = false;     // sends the text to another machine (or may: an address of the user's)
    int rank = 0;            // place in the default order, lowest first
    std::string section;     // its section of engines.ini
    std::vector<EngineOption> options;
    // Whether it joins the default chain: installed, or given what it needs. Null: only when named.
    std::function<bool(const EngineConfig&)> setUp;
    // Set up only through settings the user gives (a key, an address): while none such is,
    // "nothing is configured" and `discover` may look for an engine on this machine.
    bool configuredByUser = false;
    std::function<bool(EngineConfig&)> discover;
    Factory make;
    // Further engines of this kind may be set up in sections "SECTION.NAME", each its own engine
    // with the id "ID.NAME" (several chat models side by side).
    bool namedInstances = false;
};

class EngineRegistry {
public:
    // Kept in the order of rank; a second engine with an id already taken is refused (false).
    bool add(EngineDescriptor descriptor);
    const std::vector<EngineDescriptor>& all() const { return engines_; }
    // The engine with this id; an id "ID.NAME" finds the descriptor ID when it has named instances.
    const EngineDescriptor* find(std::string_view id) const;
    // For people: the descriptor's display name, with the instance's name in brackets.
    std::string displayNameOf(std::string_view id) const;

private:
    std::vector<EngineDescriptor> engines_;
};

} // namespace quillo::server
