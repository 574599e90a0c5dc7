#include "server/app/ServerOptions.h"

#include "server/engines/AllEngines.h"
#include "server/base/TextTools.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <functional>
#include <map>
#include <optional>

namespace quillo::server {

namespace {

std::optional<long long> number(const std::string& text, long long low, long long high)
{
    long long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < low || value > high)
        return std::nullopt;
    return value;
}

bool parseListen(const std::string& text, ServeOptions& options)
{
    const size_t colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0)
        return false;
    std::string host = text.substr(0, colon);
    if (host.size() > 2 && host.front() == '[' && host.back() == ']')
        host = host.substr(1, host.size() - 2);
    const auto port = number(text.substr(colon + 1), 0, 65535);
    if (!port)
        return false;
    options.host = host;
    options.port = static_cast<int>(*port);
    return true;
}

// Walks "--name value" pairs and flags; every option must be known to the command.
class OptionReader {
public:
    using ValueHandler = std::function<bool(const std::string&)>;

    void value(const std::string& name, ValueHandler handler) { values_[name] = std::move(handler); }
    void flag(const std::string& name, std::function<void()> handler) { flags_[name] = std::move(handler); }

    // Plain words (not options) go to `positional`.
    bool read(const std::vector<std::string>& arguments, size_t from,
              std::vector<std::string>& positional, std::string& error)
    {
        for (size_t i = from; i < arguments.size(); ++i) {
            const std::string& argument = arguments[i];
            if (argument.rfind("--", 0) != 0) {
                positional.push_back(argument);
                continue;
            }
            std::string name = argument;
            std::optional<std::string> inlineValue;
            if (const size_t eq = argument.find('='); eq != std::string::npos) {
                name = argument.substr(0, eq);
                inlineValue = argument.substr(eq + 1);
            }
            if (const auto flag = flags_.find(name); flag != flags_.end() && !inlineValue) {
                flag->second();
                continue;
            }
            const auto handler = values_.find(name);
            if (handler == values_.end()) {
                error = "unknown option " + name;
                return false;
            }
            if (!inlineValue && i + 1 >= arguments.size()) {
                error = name + " needs a value";
                return false;
            }
            const std::string value = inlineValue ? *inlineValue : arguments[++i];
            if (!handler->second(value)) {
                error = "bad value for " + name + ": " + value;
                return false;
            }
        }
        return true;
    }

private:
    std::map<std::string, ValueHandler> values_;
    std::map<std::string, std::function<void()>> flags_;
};

// For commands that take options only.
bool readOptionsOnly(OptionReader& reader, const std::vector<std::string>& arguments, size_t from,
                     std::string& error)
{
    std::vector<std::string> positional;
    if (!reader.read(arguments, from, positional, error))
        return false;
    if (!positional.empty()) {
        error = "unexpected argument " + positional.front();
        return false;
    }
    return true;
}

auto into(std::string& target)
{
    return [&target](const std::string& value) {
        target = value;
        return true;
    };
}

// A database other than the default SQLite file is a PostgreSQL address.
bool readDatabase(const std::string& value, std::string& target)
{
    target = value;
    return FeedbackStore::isPostgresAddress(value);
}

// Each engine's command-line options, as the registry declares them.
void readEngineOptions(OptionReader& reader, ServeOptions& options)
{
    for (const EngineDescriptor& engine : AllEngines().all()) {
        for (const EngineOption& option : engine.options) {
            if (option.flag.empty())
                continue;
            const std::string key = engine.section + "/" + option.key;
            reader.value(option.flag, [&options, &option, key](const std::string& v) {
                options.engineValues[key] = v;
                return option.accepts(v);
            });
        }
    }
}

// An engine named on the command line that could get a value it needs from nowhere else: no
// configuration file, no environment variable.
bool namedEnginesHaveWhatTheyNeed(const ServeOptions& options, std::string& error)
{
    for (const std::string& name : options.backends) {
        const EngineDescriptor* engine = AllEngines().find(name);
        for (const EngineOption& option : engine ? engine->options : std::vector<EngineOption>{}) {
            if (option.neededWhenNamed && option.environment.empty()
                && options.engineValues.count(engine->section + "/" + option.key) == 0) {
                error = "--backend " + name + " needs " + option.flag + " " + option.valueName;
                return false;
            }
        }
    }
    return true;
}

void parseServe(const std::vector<std::string>& arguments, size_t from, CommandLine& line)
{
    ServeOptions& options = line.serve;
    OptionReader reader;
    reader.value("--listen", [&](const std::string& v) { return parseListen(v, options); });
    reader.value("--backend", [&](const std::string& v) {
        options.backends = SplitNonEmpty(v, ',');
        for (const std::string& name : options.backends) {
            if (!AllEngines().find(name))
                return false;
        }
        return !options.backends.empty();
    });
    readEngineOptions(reader, options);
    reader.value("--data", into(options.dataDirectory));
    reader.value("--config", into(options.configFile));
    reader.value("--threads", [&](const std::string& v) {
        const auto n = number(v, 2, 1024);
        options.threads = n ? static_cast<size_t>(*n) : 0;
        return n.has_value();
    });
    reader.value("--page-workers", [&](const std::string& v) {
        const auto n = number(v, 1, 256);
        options.pageWorkers = n ? static_cast<size_t>(*n) : 0;
        return n.has_value();
    });
    reader.value("--public-host", [&](const std::string& v) {
        options.publicHosts.push_back(v);
        return !v.empty() && v.find_first_of(" /:") == std::string::npos;
    });
    reader.value("--api-keys", [&](const std::string& v) {
        options.apiKeysFile = v;
        return !v.empty();
    });
    reader.value("--cors-origin", [&](const std::string& v) {
        options.corsOrigins.push_back(v);
        return v.find("://") != std::string::npos;
    });
    reader.value("--feedback-per-day", [&](const std::string& v) {
        const auto n = number(v, 0, 1LL << 30);
        options.feedbackLimits.rowsPerDay = n ? static_cast<size_t>(*n) : 0;
        return n.has_value();
    });
    reader.value("--feedback-bytes-per-day", [&](const std::string& v) {
        const auto n = number(v, 0, 1LL << 40);
        options.feedbackLimits.bytesPerDay = n ? static_cast<size_t>(*n) : 0;
        return n.has_value();
    });
    reader.value("--token-key-file", into(options.tokenKeyFile));
    reader.value("--database", [&](const std::string& v) { return readDatabase(v, options.database); });
    reader.value("--log-file", into(options.logFile));
    reader.value("--clients-folder", into(options.clientsFolder));
    reader.value("--feedback-upstream", [&](const std::string& v) {
        options.feedbackUpstream = v;
        return v.empty() || v.rfind("http://", 0) == 0 || v.rfind("https://", 0) == 0;
    });
    reader.value("--log-max-bytes", [&](const std::string& v) {
        const auto n = number(v, 4096, 1LL << 40);
        options.logMaxBytes = n ? static_cast<size_t>(*n) : 0;
        return n.has_value();
    });
    reader.value("--read-timeout", [&](const std::string& v) {
        const auto n = number(v, 1, 3600);
        options.readTimeoutSeconds = n ? static_cast<int>(*n) : 0;
        return n.has_value();
    });
    reader.value("--stop-time", [&](const std::string& v) {
        const auto n = number(v, 1, 3600);
        options.stopSeconds = n ? static_cast<int>(*n) : 0;
        return n.has_value();
    });
    reader.value("--page-max-bytes", [&](const std::string& v) {
        const auto n = number(v, 1024, 1LL << 30);
        options.pageMaxBytes = n ? static_cast<size_t>(*n) : 0;
        return n.has_value();
    });
    reader.flag("--allow-private-fetch", [&] { options.allowPrivateFetch = true; });
    reader.flag("--quiet", [&] { options.quiet = true; });
    reader.flag("--offline", [&] { options.offline = true; });
    if (!readOptionsOnly(reader, arguments, from, line.error))
        return;
    if (options.configFile.empty() && !namedEnginesHaveWhatTheyNeed(options, line.error))
        return;
    if (options.dataDirectory.empty())
        options.dataDirectory = DefaultDataDirectory();
    line.command = CommandLine::Command::Serve;
}

void parsePublish(const std::vector<std::string>& arguments, size_t from, CommandLine& line)
{
    PublishRequest& request = line.publish;
    OptionReader reader;
    reader.value("--data", into(request.dataDirectory));
    reader.value("--version", into(request.version));
    reader.value("--notice", [&](const std::string& v) {
        request.notice = v;
        return true;
    });
    reader.value("--sign-key", [&](const std::string& v) {
        request.signKeyFile = v;
        return true;
    });
    std::vector<std::string> positional;
    if (!reader.read(arguments, from, positional, line.error))
        return;
    if (positional.size() != 1 || request.version.empty()) {
        line.error = "publish needs one PROGRAM_FILE and --version V";
        return;
    }
    request.programFile = positional.front();
    if (request.dataDirectory.empty())
        request.dataDirectory = DefaultDataDirectory();
    line.command = CommandLine::Command::Publish;
}

void parseFeedback(const std::vector<std::string>& arguments, size_t from, CommandLine& line)
{
    OptionReader reader;
    reader.value("--data", into(line.feedback.dataDirectory));
    reader.value("--database", [&](const std::string& v) { return readDatabase(v, line.feedback.database); });
    reader.flag("--json", [&] { line.feedback.json = true; });
    if (!readOptionsOnly(reader, arguments, from, line.error))
        return;
    if (line.feedback.dataDirectory.empty())
        line.feedback.dataDirectory = DefaultDataDirectory();
    line.command = CommandLine::Command::Feedback;
}

void parseGlossary(const std::vector<std::string>& arguments, size_t from, CommandLine& line)
{
    using Action = GlossaryCommandOptions::Action;
    GlossaryCommandOptions& options = line.glossary;
    const std::string action = from < arguments.size() ? arguments[from] : std::string();
    if (action != "add" && action != "list" && action != "remove") {
        line.error = "glossary needs add, list or remove";
        return;
    }
    options.action = action == "add" ? Action::Add : action == "list" ? Action::List : Action::Remove;
    OptionReader reader;
    reader.value("--data", into(options.dataDirectory));
    reader.value("--database", [&](const std::string& v) { return readDatabase(v, options.database); });
    reader.value("--source", into(options.source));
    reader.value("--target", into(options.target));
    reader.value("--note", [&](const std::string& v) {
        options.note = v;
        return true;
    });
    reader.flag("--json", [&] { options.json = true; });
    std::vector<std::string> positional;
    if (!reader.read(arguments, from + 1, positional, line.error))
        return;
    const size_t wanted = options.action == Action::Add ? 2 : options.action == Action::Remove ? 1 : 0;
    if (positional.size() != wanted || (options.action == Action::Add && (options.source.empty() || options.target.empty()))) {
        line.error = "glossary add needs --source L --target L TERM TRANSLATION; remove needs one ID; list takes"
                     " --source and --target alone";
        return;
    }
    if (options.action == Action::Add) {
        options.term = positional[0];
        options.translation = positional[1];
    } else if (options.action == Action::Remove) {
        options.id = positional[0];
    }
    if (options.dataDirectory.empty())
        options.dataDirectory = DefaultDataDirectory();
    line.command = CommandLine::Command::Glossary;
}

} // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& arguments)
{
    CommandLine line;
    const std::string first = arguments.size() > 1 ? arguments[1] : std::string();
    if (first == "--help" || first == "-h" || first == "help")
        line.command = CommandLine::Command::Help;
    else if (first == "--version")
        line.command = CommandLine::Command::Version;
    else if (first == "publish")
        parsePublish(arguments, 2, line);
    else if (first == "feedback")
        parseFeedback(arguments, 2, line);
    else if (first == "glossary")
        parseGlossary(arguments, 2, line);
    else if (first == "engines") {
        parseServe(arguments, 2, line);
        if (line.command == CommandLine::Command::Serve)
            line.command = CommandLine::Command::Engines;
    } else if (first == "serve")
        parseServe(arguments, 2, line);
    else
        parseServe(arguments, 1, line);
    return line;
}

std::string DefaultDataDirectory()
{
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg)
        return std::string(xdg) + "/quillo-server";
    if (const char* home = std::getenv("HOME"); home && *home)
        return std::string(home) + "/.local/share/quillo-server";
    return "quillo-data";
}

namespace {

// The engines' lines of --help, from the registry: ids, flags and environment variables.
// Those chosen by default, or only when named.
std::string engineIds(bool byDefault)
{
    std::string ids;
    for (const EngineDescriptor& engine : AllEngines().all()) {
        if (static_cast<bool>(engine.setUp) == byDefault)
            ids += (ids.empty() ? "" : ", ") + engine.id;
    }
    return ids;
}

std::string optionLine(const std::string& name, const std::string& help)
{
    constexpr size_t kHelpColumn = 25;
    std::string line = "  " + name;
    line = line.size() < kHelpColumn ? line + std::string(kHelpColumn - line.size(), ' ')
                                     : line + "\n" + std::string(kHelpColumn, ' ');
    return line + help + "\n";
}

std::string engineOptionLines(bool environment)
{
    std::string lines;
    for (const EngineDescriptor& engine : AllEngines().all()) {
        for (const EngineOption& option : engine.options) {
            if (option.help.empty())
                continue;
            if (environment && !option.environment.empty())
                lines += optionLine(option.environment, option.help);
            else if (!environment && !option.flag.empty())
                lines += optionLine(option.flag + " " + option.valueName, option.help);
        }
    }
    return lines;
}

} // namespace

std::string UsageText()
{
    return R"(Usage:
  quillo-server [serve] [--listen HOST:PORT] [--config FILE] [--backend LIST] [engine options]
                [--data DIR] [--threads N] [--page-max-bytes N]
                [--read-timeout SECONDS] [--page-workers N] [--public-host NAME]...
                [--feedback-per-day N] [--feedback-bytes-per-day N] [--log-file PATH]
                [--log-max-bytes N] [--allow-private-fetch] [--quiet] [--database URL]
                [--token-key-file PATH] [--stop-time SECONDS] [--clients-folder DIR]
                [--feedback-upstream URL]
                [--api-keys FILE] [--cors-origin ORIGIN]... [--offline]
  quillo-server engines [--config FILE] [--backend LIST] [...]   which engine serves each pair
  quillo-server publish [--data DIR] PROGRAM_FILE --version V [--notice TEXT] [--sign-key KEYFILE]
  quillo-server feedback [--data DIR | --database URL] [--json]
  quillo-server glossary add --source L --target L TERM TRANSLATION [--note TEXT] [--data DIR | --database URL]
  quillo-server glossary list [--source L --target L] [--json] [--data DIR | --database URL]
  quillo-server glossary remove ID [--data DIR | --database URL]

  --listen HOST:PORT     address to bind (default 127.0.0.1:8437; port 0 picks a free one)
  --config FILE          engine settings, an INI file (see server/README.md)
  --backend LIST         engines in order of preference, comma-separated; default: every one
                         of )" + engineIds(true) + R"( that is set up, in that order;
                         only when named: )" + engineIds(false) + R"(
  --data DIR             feedback database, dictionary index and release folder
                         (default $XDG_DATA_HOME/quillo-server or ~/.local/share/quillo-server)
  --database URL         feedback in PostgreSQL (postgresql://...) instead of DIR/feedback.sqlite3
  --token-key-file PATH  the key that signs session tokens, shared by every instance
                         (else $QUILLO_TOKEN_KEY, else a random key per process)
  --public-host NAME     a host name clients reach the service by (behind a balancer);
                         on loopback only the listening address and localhost are accepted
  --api-keys FILE        keys (one a line) the open API (/api/v1) and the LibreTranslate
                         routes require; without it they need none
  --cors-origin ORIGIN   a web origin (https://app.example.org) whose pages may call the
                         service from a browser; repeatable
  --feedback-per-day N   feedback messages stored per day (UTC), default 2000
  --log-file PATH        log there instead of standard error, moved to PATH.1 at
                         --log-max-bytes (default 16 MiB)
  --allow-private-fetch  let page translation fetch from loopback and private addresses
  --stop-time SECONDS    after SIGTERM, the process ends within this time (default 30);
                         SIGHUP reads the engines' settings again instead
  --offline              only engines that keep the text on this machine (also
                         "offline = true" under [general] in engines.ini)
  --clients-folder DIR   end once no program holds DIR/clients.lock any more (how the desktop
                         program runs its own server; see server/README.md)
  --feedback-upstream URL  forward stored feedback to the quillo-server at URL, retrying until
                         it is accepted ("" for none; default: the build's choice)

Engine options:
)" + engineOptionLines(false) + R"(
Environment:
)" + engineOptionLines(true) + R"(  With nothing configured, an Ollama server on 127.0.0.1:11434 is used when one answers.

The offline dictionary is CC-CEDICT (https://cc-cedict.org/), licensed under
Creative Commons Attribution-ShareAlike 4.0 (https://creativecommons.org/licenses/by-sa/4.0/).
)";
}

} // namespace quillo::server
