#pragma once
// The end of a server that the desktop program started for its own copies (--clients-folder).
//
// In that folder every copy using the server holds clients.lock shared for as long as it runs (the
// kernel drops the lock when the copy ends, crashed or killed), and takes server.lock exclusively
// while it joins or leaves; `server` names the server it shares. A copy that leaves last stops the
// server itself, but a copy killed outright cannot: then the server sees for itself that nobody is
// left. It checks under server.lock, so no copy is half-way through joining, and takes its
// address out of `server` before it lets go, so a copy arriving meanwhile starts a new server
// rather than joining one on its way out. It looks every ten seconds: copies killed outright are
// rare, and an idle server should not wake more often (a thread asleep on clients.lock would
// win the lock from the last copy leaving, which then could not stop the server itself).

#include <chrono>
#include <string>

namespace quillo::server {

class ClientWatch {
public:
    explicit ClientWatch(std::string folder, std::chrono::milliseconds interval = std::chrono::seconds(10));

    // True once no copy holds the clients lock; looks at most once an interval, false in between.
    bool nobodyLeft();
    // When the next look is due: the caller sleeps until then.
    std::chrono::steady_clock::time_point nextLook() const { return nextLook_; }

private:
    bool lookNow() const;

    std::string folder_;
    std::chrono::milliseconds interval_;
    std::chrono::steady_clock::time_point nextLook_;
};

} // namespace quillo::server
