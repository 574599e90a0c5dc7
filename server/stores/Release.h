#pragma once
// The release folder of the update service. `publish` copies a program file into it and writes
// the version file "qoversion.txt" (GBK INI) that the program's update window reads. Download
// addresses in it start with the placeholder {BASE}, which the server replaces, when it serves
// the file, by "http://" and the Host the client asked for, so the addresses fit whatever port
// or name the server is reached by.

#include <optional>
#include <string>

namespace quillo::server {

inline constexpr const char* kVersionFileName = "qoversion.txt";
inline constexpr const char* kBasePlaceholder = "{BASE}";
inline constexpr const char* kUpdatePath = "/translation/update/";

struct PublishRequest {
    std::string dataDirectory;
    std::string programFile;
    std::string version;
    std::optional<std::string> notice;
    std::optional<std::string> signKeyFile; // PEM Ed25519 private key
};

struct PublishResult {
    bool ok = false;
    std::string error;
    std::string versionFile;  // path of the written qoversion.txt
    std::string downloadPath; // address of the program, with the placeholder
    std::string sha256;       // lower-case hex
    std::string signature;    // base64, empty without a key
    long long size = 0;
};

std::string ReleaseDirectory(const std::string& dataDirectory);

PublishResult Publish(const PublishRequest& request);

// The Ed25519 signature of `message` with the PEM private key in `keyFile`; nullopt with
// `error` set when the key cannot be read or is not an Ed25519 key.
std::optional<std::string> SignEd25519(const std::string& keyFile, const std::string& message,
                                       std::string& error);

} // namespace quillo::server
