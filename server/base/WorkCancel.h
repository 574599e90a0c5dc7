#pragma once
// Lets the network layer call off the work of the requests it runs when it must stop: a route
// runs on a pool thread under the scope of its server's flag, and whatever waits on the outside
// along the way (an engine's HTTP call, a page fetch, an Apertium exchange) asks WorkCancelled()
// and gives up. The flag belongs to one server, so servers sharing a process (the tests) do not
// call off each other's work.

#include <atomic>

namespace quillo::server {

class CancelScope {
public:
    explicit CancelScope(const std::atomic<bool>& cancelled);
    ~CancelScope();
    CancelScope(const CancelScope&) = delete;
    CancelScope& operator=(const CancelScope&) = delete;

private:
    const std::atomic<bool>* previous_;
};

// Whether the request this thread is working for has been called off.
bool WorkCancelled();

// Makes a libcurl transfer on this thread end (CURLE_ABORTED_BY_CALLBACK) once its work is called off.
void AbortTransferWhenCancelled(void* curlEasyHandle);

} // namespace quillo::server
