#pragma once
// The running service: every route on one HTTP server, the backends, the stores. start()
// binds (so the port is known before anyone is told), run() serves until stop(), which lets
// requests in flight finish.

#include "server/app/ServerOptions.h"

#include <memory>
#include <string>
#include <vector>

namespace quillo::server {

class TranslationBackend;
struct ServiceParts;

class Service {
public:
    explicit Service(ServeOptions options);
    ~Service();
    Service(const Service&) = delete;
    Service& operator=(const Service&) = delete;

    bool start(std::string& error);
    int port() const { return port_; }
    std::string backendNames() const;
    void run();
    void stop(); // from any thread
    // Reads the engines' settings again and swaps the new engines in; false with `error` set (the
    // old engines staying) when they cannot be had. From any thread.
    bool reloadEngines(std::string& error);
    bool running() const;

    // The backends the options ask for (or the default choice); empty with `error` set when
    // one cannot be had.
    static std::vector<std::unique_ptr<TranslationBackend>> makeBackends(const ServeOptions& options,
                                                                         std::string& error);

private:
    void addProgramRoutes();

    ServeOptions options_;
    std::unique_ptr<ServiceParts> parts_;
    int port_ = -1;
};

// The serve command: start, print the address line, serve until SIGTERM or SIGINT.
int RunServe(const ServeOptions& options);

} // namespace quillo::server
