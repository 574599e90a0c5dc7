#pragma once
// Per-visit tokens that carry their own expiry and an HMAC-SHA256 under a key, packed into
// letters and digits of a fixed length. Nothing is kept per token, so every instance that holds
// the same key accepts what any of them issued, and a client that only fetches tokens cannot
// grow the server's memory.

#include <chrono>
#include <functional>
#include <string>

namespace quillo::server {

class TokenStore {
public:
    using Clock = std::chrono::system_clock; // the wall clock: instances compare expiries

    // `length` letters and digits hold 4 bytes of expiry, a random nonce and 16 bytes of the
    // HMAC; 29 is the shortest length that leaves room for a nonce.
    TokenStore(size_t length, Clock::duration lifetime, std::string key,
               std::function<Clock::time_point()> now = &Clock::now);

    std::string issue() const;
    // False for anything not issued under this key and length, altered, or expired.
    bool isValid(const std::string& token) const;

    size_t length() const { return length_; }

    // 32 random bytes, for an instance that is given no key of its own.
    static std::string randomKey();

private:
    std::string mac(const std::string& signedPart) const;

    const size_t length_;
    const size_t bytes_; // how many whole bytes `length_` characters carry
    const Clock::duration lifetime_;
    const std::string key_;
    const std::function<Clock::time_point()> now_;
};

} // namespace quillo::server
