#include "server/TokenStore.h"

#include <openssl/rand.h>

#include <array>
#include <random>
#include <string_view>

namespace quillo::server {

namespace {

constexpr std::string_view kAlphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";

// Draws from OpenSSL's generator; rejection sampling keeps every character equally likely.
std::string randomToken(size_t length)
{
    std::string token;
    token.reserve(length);
    std::array<unsigned char, 64> pool{};
    while (token.size() < length) {
        if (RAND_bytes(pool.data(), static_cast<int>(pool.size())) != 1) {
            std::random_device fallback;
            for (auto& byte : pool)
                byte = static_cast<unsigned char>(fallback());
        }
        for (unsigned char byte : pool) {
            if (byte >= 248) // 248 = 4 * 62
                continue;
            token.push_back(kAlphabet[byte % kAlphabet.size()]);
            if (token.size() == length)
                break;
        }
    }
    return token;
}

} // namespace

TokenStore::TokenStore(size_t length, Clock::duration lifetime, size_t capacity,
                       std::function<Clock::time_point()> now)
    : length_(length), lifetime_(lifetime), capacity_(capacity), now_(std::move(now))
{
}

std::string TokenStore::issue()
{
    std::string token = randomToken(length_);
    const auto now = now_();
    std::lock_guard lock(mutex_);
    dropExpired(now);
    while (order_.size() >= capacity_ && !order_.empty()) {
        expiry_.erase(order_.front());
        order_.pop_front();
    }
    expiry_[token] = now + lifetime_;
    order_.push_back(token);
    return token;
}

bool TokenStore::isValid(const std::string& token) const
{
    const auto now = now_();
    std::lock_guard lock(mutex_);
    const auto it = expiry_.find(token);
    return it != expiry_.end() && now < it->second;
}

void TokenStore::dropExpired(Clock::time_point now)
{
    while (!order_.empty()) {
        const auto it = expiry_.find(order_.front());
        if (it != expiry_.end() && now < it->second)
            break;
        if (it != expiry_.end())
            expiry_.erase(it);
        order_.pop_front();
    }
}

} // namespace quillo::server
