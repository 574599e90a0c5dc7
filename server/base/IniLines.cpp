#include "server/base/IniLines.h"

#include "server/base/TextTools.h"

#include <algorithm>
#include <cctype>
#include <fstream>

namespace quillo::server {

namespace {

std::string trimmed(const std::string& text)
{
    const auto blank = [](unsigned char c) { return std::isspace(c) != 0; };
    const auto first = std::find_if_not(text.begin(), text.end(), blank);
    const auto last = std::find_if_not(text.rbegin(), text.rend(), blank).base();
    return first < last ? std::string(first, last) : std::string();
}

} // namespace

IniLines ReadIniLines(const std::string& path)
{
    IniLines lines;
    std::ifstream file(path, std::ios::binary);
    std::string section;
    std::string line;
    for (int number = 1; std::getline(file, line); ++number) {
        line = trimmed(line);
        if (line.empty() || line.front() == ';' || line.front() == '#')
            continue;
        if (line.front() == '[' && line.back() == ']' && line.size() > 2) {
            section = AsciiLowerCase(trimmed(line.substr(1, line.size() - 2)));
            continue;
        }
        const size_t equals = line.find('=');
        const std::string key = equals == std::string::npos ? std::string() : AsciiLowerCase(trimmed(line.substr(0, equals)));
        const bool printable = std::none_of(line.begin(), line.end(), [](unsigned char c) { return c < 0x20 && c != '\t'; });
        if (key.empty() || !printable) {
            lines.unreadable.push_back(number);
            continue;
        }
        lines.keys[(section.empty() ? "general" : section) + "/" + key] = number;
    }
    return lines;
}

} // namespace quillo::server
