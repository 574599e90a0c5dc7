#pragma once
// Where things stand in an INI file, line by line, so that a warning can name the line the
// operator has to mend. QSettings reads such a file leniently and says nothing of a line it
// could not take (random bytes pass as an empty file), nor where a value came from.

#include <map>
#include <string>
#include <vector>

namespace quillo::server {

struct IniLines {
    std::vector<int> unreadable;     // numbers (from 1) of lines that are no section, key or comment
    std::map<std::string, int> keys; // "section/key", lower case, to the line of its last value
};

IniLines ReadIniLines(const std::string& path);

} // namespace quillo::server
