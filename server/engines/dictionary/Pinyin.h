#pragma once
// CC-CEDICT writes pinyin with tone numbers ("lu:4 se4"); readers expect tone marks ("lǜ sè").

#include <string>
#include <string_view>

namespace quillo::server {

// Syllables without a tone number 1-5 (letters, "·", ",") are kept as they are.
std::string PinyinWithToneMarks(std::string_view numbered);

} // namespace quillo::server
