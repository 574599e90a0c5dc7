#pragma once
// The keys that let a client use the open API and the LibreTranslate-compatible routes, read from
// a file of one key a line (blank lines and lines starting with "#" are skipped). With no file
// given no key is asked for.

#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

namespace quillo::server {

class ApiKeys {
public:
    ApiKeys() = default; // no key required
    explicit ApiKeys(const std::vector<std::string>& keys) : keys_(keys.begin(), keys.end()) {}
    // nullopt with `error` set when the file cannot be read or holds no key.
    static std::optional<ApiKeys> load(const std::string& path, std::string& error);

    bool required() const { return !keys_.empty(); }
    bool accepts(const std::string& key) const { return !required() || keys_.contains(key); }

private:
    std::unordered_set<std::string> keys_;
};

} // namespace quillo::server
