#pragma once
// Small text helpers the engines share.

#include <string>
#include <string_view>
#include <vector>

namespace quillo::server {

// Without blanks, tabs and line ends at either end.
std::string_view Trimmed(std::string_view text);
// The non-empty parts between separators.
std::vector<std::string> SplitNonEmpty(std::string_view text, char separator);
// ASCII letters in lower case, other bytes as they are (header names, schemes, INI keys).
std::string AsciiLowerCase(std::string text);

} // namespace quillo::server
