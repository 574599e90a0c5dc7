#pragma once
// The network side of the service, on Boost.Beast over Boost.Asio. Connections are served by
// events, so a connection holds no thread while it waits for a client: a slow or silent client
// costs a socket and a few kilobytes, never a thread. Every phase has a deadline of its own: the
// whole header (on a kept-alive connection counted from the last reply), the whole body, the
// whole reply. A header is
// capped in bytes and fields (431), a body in bytes (413), and requests with ambiguous framing
// are refused (400). Each thread runs an event loop of its own, and a connection stays on the
// loop it was given; its routes run there, except those on the outside lane, which get a small
// pool of their own with a bounded queue (503 beyond it).
//
// stop() closes the listening socket at once and idle connections and half-received headers with
// it; a body still arriving gets a short last deadline, requests being handled or answered go on
// to their own. Shortly before the stop grace ends, the work of requests still being handled is
// called off (WorkCancel.h) and they are answered 503; after the grace whatever is left is
// closed. run() returns when the last connection is gone and the lanes' threads have ended.

#include "server/net/Router.h"

#include <chrono>
#include <functional>
#include <memory>
#include <string>

namespace quillo::server::web {

struct ServerLimits {
    size_t headerBytes = 16 * 1024;
    size_t headerFields = 100;
    size_t bodyBytes = 64 * 1024;
    std::chrono::milliseconds header{10000};  // the whole header (kept alive: from the last reply)
    std::chrono::milliseconds body{10000};    // the whole body, from the end of the header
    std::chrono::milliseconds reply{30000};   // a reply, plus one second per 32 KiB of it
    std::chrono::milliseconds stopReading{2000}; // after stop(): for bodies still arriving
    std::chrono::milliseconds stopGrace{29000};   // after stop(): then every connection is closed
    std::chrono::milliseconds stopAnswer{2000};   // before the grace ends: requests in flight get 503
    size_t maxConnections = 1000;
    int backlog = 511;
    size_t threads = 16;        // event loops: the network and the local routes
    size_t outsideThreads = 8;  // routes on the outside lane
    size_t outsideWaiting = 64; // outside requests queued for one of those threads
    size_t engineThreads = 16;   // routes on the engine lane
    size_t engineWaiting = 256;  // engine requests queued for one of those threads
    size_t storeThreads = 8;     // routes on the store lane (a database connection each at most)
    size_t storeWaiting = 64;
    size_t probeThreads = 2;     // readiness probes
    size_t probeWaiting = 8;
};

// Runs before routing; answers the request itself and returns true to refuse it.
using Screen = std::function<bool(const Request&, Response&)>;

// The Chinese sentence of an error reply that no route has worded.
std::string StatusSentence(int status);

class HttpServer {
public:
    HttpServer(const Router& router, ServerLimits limits, Screen screen);
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    // Binds and listens; port 0 picks a free one.
    bool listen(const std::string& host, int port, std::string& error);
    int port() const;
    bool listensOnLoopback() const;
    // Serves on limits.threads threads (the caller's among them) until stop() has finished.
    void run();
    void stop(); // from any thread, before or during run()
    bool running() const;

    struct State;

private:
    std::unique_ptr<State> state_;
};

} // namespace quillo::server::web
