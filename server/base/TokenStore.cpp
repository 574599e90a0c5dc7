#include "server/base/TokenStore.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <openssl/rand.h>

#include <cmath>
#include <random>
#include <stdexcept>
#include <string_view>

namespace quillo::server {

namespace {

constexpr std::string_view kAlphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
constexpr size_t kExpiryBytes = 4; // seconds since 1970, good until 2106
constexpr size_t kMacBytes = 16;

void randomBytes(unsigned char* out, size_t count)
{
    if (RAND_bytes(out, static_cast<int>(count)) == 1)
        return;
    std::random_device fallback;
    for (size_t i = 0; i < count; ++i)
        out[i] = static_cast<unsigned char>(fallback());
}

// Big-endian bytes as a fixed number of base-62 digits (the caller makes sure they fit).
std::string encode(std::string bytes, size_t length)
{
    std::string text(length, kAlphabet[0]);
    for (size_t position = length; position-- > 0;) {
        unsigned remainder = 0;
        for (char& byte : bytes) {
            const unsigned value = (remainder << 8) | static_cast<unsigned char>(byte);
            byte = static_cast<char>(value / kAlphabet.size());
            remainder = value % kAlphabet.size();
        }
        text[position] = kAlphabet[remainder];
    }
    return text;
}

// The inverse of encode; false for a foreign character or a value wider than `byteCount`.
bool decode(const std::string& text, size_t byteCount, std::string& bytes)
{
    bytes.assign(byteCount, '\0');
    for (char character : text) {
        const size_t digit = kAlphabet.find(character);
        if (digit == std::string_view::npos)
            return false;
        unsigned carry = static_cast<unsigned>(digit);
        for (size_t i = byteCount; i-- > 0;) {
            const unsigned value = static_cast<unsigned char>(bytes[i]) * kAlphabet.size() + carry;
            bytes[i] = static_cast<char>(value & 0xff);
            carry = value >> 8;
        }
        if (carry != 0)
            return false;
    }
    return true;
}

size_t bytesIn(size_t length)
{
    const auto bits = static_cast<size_t>(std::floor(static_cast<double>(length) * std::log2(62.0)));
    return bits / 8;
}

} // namespace

TokenStore::TokenStore(size_t length, Clock::duration lifetime, std::string key,
                       std::function<Clock::time_point()> now)
    : length_(length), bytes_(bytesIn(length)), lifetime_(lifetime), key_(std::move(key)),
      now_(std::move(now))
{
    if (bytes_ <= kExpiryBytes + kMacBytes || key_.empty())
        throw std::invalid_argument("token length too short or key empty");
}

std::string TokenStore::randomKey()
{
    std::string key(32, '\0');
    randomBytes(reinterpret_cast<unsigned char*>(key.data()), key.size());
    return key;
}

std::string TokenStore::mac(const std::string& signedPart) const
{
    // The length goes into the MAC so that a token of one kind is never one of another.
    const std::string message = std::to_string(length_) + ':' + signedPart;
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int digestLength = 0;
    HMAC(EVP_sha256(), key_.data(), static_cast<int>(key_.size()),
         reinterpret_cast<const unsigned char*>(message.data()), message.size(), digest, &digestLength);
    return std::string(reinterpret_cast<const char*>(digest), kMacBytes);
}

std::string TokenStore::issue() const
{
    const auto expiry = std::chrono::duration_cast<std::chrono::seconds>(
                            (now_() + lifetime_).time_since_epoch()).count();
    std::string signedPart(bytes_ - kMacBytes, '\0');
    for (size_t i = 0; i < kExpiryBytes; ++i)
        signedPart[i] = static_cast<char>((static_cast<unsigned long long>(expiry) >> (8 * (kExpiryBytes - 1 - i))) & 0xff);
    randomBytes(reinterpret_cast<unsigned char*>(signedPart.data()) + kExpiryBytes,
                signedPart.size() - kExpiryBytes);
    return encode(signedPart + mac(signedPart), length_);
}

bool TokenStore::isValid(const std::string& token) const
{
    std::string bytes;
    if (token.size() != length_ || !decode(token, bytes_, bytes))
        return false;
    const std::string signedPart = bytes.substr(0, bytes_ - kMacBytes);
    const std::string expected = mac(signedPart);
    if (CRYPTO_memcmp(expected.data(), bytes.data() + signedPart.size(), kMacBytes) != 0)
        return false;
    long long expiry = 0;
    for (size_t i = 0; i < kExpiryBytes; ++i)
        expiry = (expiry << 8) | static_cast<unsigned char>(signedPart[i]);
    const auto now = std::chrono::duration_cast<std::chrono::seconds>(now_().time_since_epoch()).count();
    return now < expiry;
}

} // namespace quillo::server
