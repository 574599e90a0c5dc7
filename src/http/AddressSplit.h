#pragma once
// Splitting a request address into its parts, on libcurl's URL parser, with the rules the request
// routine relies on: "http://" in front of an address without "://", the scheme's default port,
// escape sequences decoded, and fixed limits on each part.
#include <QByteArray>

namespace quillo {

struct AddressParts {
    QByteArray scheme;
    QByteArray host;
    quint16 port = 0;
    QByteArray user;
    QByteArray password;
    QByteArray path;
    QByteArray extra; // "?query", "#fragment" or both
};

// Longest part that a split accepts, in bytes after decoding.
struct AddressLimits {
    static constexpr int scheme = 32;
    static constexpr int host = 256;
    static constexpr int user = 128;
    static constexpr int password = 128;
    static constexpr int path = 2048;
    static constexpr int extra = 2048;
};

// The address as it is requested: "http://" in front when it holds no "://".
QByteArray WithDefaultScheme(const QByteArray& address);

// Fills parts and returns true on success; on failure parts is left untouched.
bool SplitAddress(const QByteArray& address, AddressParts& parts);

} // namespace quillo
