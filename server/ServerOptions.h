#pragma once
// The command line of quillo-server: serving (the default command), `publish` and `feedback`.

#include "server/Release.h"

#include <string>
#include <vector>

namespace quillo::server {

struct ServeOptions {
    std::string host = "127.0.0.1";
    int port = 8437;
    std::vector<std::string> backends; // in order of preference; empty = the default choice
    std::string libreTranslateUrl;
    std::string libreTranslateKey;
    std::string dataDirectory;
    std::string apertiumModes = "/usr/share/apertium/modes";
    int pipelineIdleSeconds = 600; // an Apertium direction unused this long is ended; 0 = never
    size_t pipelinesWarm = 2;      // at most this many directions kept running
    size_t threads = 16;
    int readTimeoutSeconds = 10; // a client that stops sending mid-request gets its 400 then
    size_t pageMaxBytes = 4 * 1024 * 1024;
    bool allowPrivateFetch = false;
    bool quiet = false;
};

struct FeedbackListOptions {
    std::string dataDirectory;
    bool json = false;
};

struct CommandLine {
    enum class Command { Serve, Publish, Feedback, Help, Version, Invalid };
    Command command = Command::Invalid;
    ServeOptions serve;
    PublishRequest publish;
    FeedbackListOptions feedback;
    std::string error; // why the command line was refused
};

CommandLine ParseCommandLine(const std::vector<std::string>& arguments);
std::string UsageText();
// $XDG_DATA_HOME/quillo-server, else ~/.local/share/quillo-server, else ./quillo-data.
std::string DefaultDataDirectory();

} // namespace quillo::server
