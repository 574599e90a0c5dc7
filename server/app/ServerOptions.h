#pragma once
// The command line of quillo-server: serving (the default command), `engines`, `publish` and
// `feedback`.

#include "server/stores/FeedbackStore.h"
#include "server/stores/Release.h"

#include <map>
#include <string>
#include <vector>

#ifndef QUILLO_FEEDBACK_UPSTREAM
#define QUILLO_FEEDBACK_UPSTREAM ""
#endif

namespace quillo::server {

struct ServeOptions {
    std::string host = "127.0.0.1";
    int port = 8437;
    std::vector<std::string> backends; // in order of preference; empty = the default choice
    std::string configFile; // engine settings (INI); the environment and options override it
    // The engines' own options given on the command line, as "section/key" (the registry says
    // which there are): "dictionary/file" from --dictionary, say.
    std::map<std::string, std::string> engineValues;
    std::string dataDirectory;
    std::string database; // feedback: a postgresql:// address; empty = DATA/feedback.sqlite3
    size_t threads = 16;         // network and request handling
    size_t pageWorkers = 8;      // page translations at once (they wait on other servers)
    int readTimeoutSeconds = 10; // for a whole request header, and again for its whole body
    int stopSeconds = 30;        // from a stop signal to the end of the process, at most
    std::vector<std::string> publicHosts; // Host names accepted besides the listening address
    std::string apiKeysFile; // keys the open API and LibreTranslate routes require; empty: none
    std::vector<std::string> corsOrigins; // web origins whose pages may call the service
    std::string tokenKeyFile; // the key that signs tokens; else $QUILLO_TOKEN_KEY, else random
    FeedbackLimits feedbackLimits;
    std::string clientsFolder; // the desktop program's runtime folder: end once no copy is left
    // Another quillo-server (its base address) that stored feedback is forwarded to; the
    // build's QUILLO_FEEDBACK_UPSTREAM unless given, empty for none.
    std::string feedbackUpstream = QUILLO_FEEDBACK_UPSTREAM;
    std::string logFile; // empty: standard error
    size_t logMaxBytes = 16 * 1024 * 1024;
    size_t pageMaxBytes = 4 * 1024 * 1024;
    bool allowPrivateFetch = false;
    bool quiet = false;
    bool offline = false; // only engines that keep the text on this machine
};

struct FeedbackListOptions {
    std::string dataDirectory;
    std::string database;
    bool json = false;
};

// `glossary add|list|remove`: the terms the engines keep, in the service's glossary database.
struct GlossaryCommandOptions {
    enum class Action { Add, List, Remove };
    Action action = Action::List;
    std::string dataDirectory;
    std::string database;
    std::string source, target; // language codes as the open API takes them
    std::string term, translation, note;
    std::string id;
    bool json = false;
};

struct CommandLine {
    enum class Command { Serve, Engines, Publish, Feedback, Glossary, Help, Version, Invalid };
    Command command = Command::Invalid;
    ServeOptions serve; // also the engines command's
    PublishRequest publish;
    FeedbackListOptions feedback;
    GlossaryCommandOptions glossary;
    std::string error; // why the command line was refused
};

CommandLine ParseCommandLine(const std::vector<std::string>& arguments);
std::string UsageText();
// $XDG_DATA_HOME/quillo-server, else ~/.local/share/quillo-server, else ./quillo-data.
std::string DefaultDataDirectory();

} // namespace quillo::server
