#pragma once
// Random per-visit tokens that expire. Bounded: past its capacity the oldest token goes, so a
// client that only fetches tokens cannot grow the server's memory.

#include <chrono>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <unordered_map>

namespace quillo::server {

class TokenStore {
public:
    using Clock = std::chrono::steady_clock;

    TokenStore(size_t length, Clock::duration lifetime, size_t capacity,
               std::function<Clock::time_point()> now = &Clock::now);

    // A fresh token of letters and digits from the system's random source.
    std::string issue();
    bool isValid(const std::string& token) const;

    size_t length() const { return length_; }

private:
    void dropExpired(Clock::time_point now);

    const size_t length_;
    const Clock::duration lifetime_;
    const size_t capacity_;
    const std::function<Clock::time_point()> now_;

    mutable std::mutex mutex_;
    std::unordered_map<std::string, Clock::time_point> expiry_;
    std::deque<std::string> order_; // oldest first; lifetimes are equal, so also by expiry
};

} // namespace quillo::server
