#include "server/api/ApiKeys.h"

#include <fstream>

namespace quillo::server {

std::optional<ApiKeys> ApiKeys::load(const std::string& path, std::string& error)
{
    std::ifstream file(path);
    if (!file) {
        error = "cannot read the API key file " + path;
        return std::nullopt;
    }
    ApiKeys keys;
    std::string line;
    while (std::getline(file, line)) {
        const size_t first = line.find_first_not_of(" \t\r");
        if (first == std::string::npos || line[first] == '#')
            continue;
        keys.keys_.insert(line.substr(first, line.find_last_not_of(" \t\r") + 1 - first));
    }
    if (!file.eof()) {
        error = "cannot read the API key file " + path;
        return std::nullopt;
    }
    if (!keys.required()) {
        error = "the API key file " + path + " holds no key";
        return std::nullopt;
    }
    return keys;
}

} // namespace quillo::server
