#pragma once
// CC-CEDICT's senses name other words in its own notation: "CL:個|个[ge4],顆|颗[ke1]" for the
// measure words, "variant of 蘋果|苹果[ping2 guo3]" for a cross-reference. Readers expect the
// word in their own script with its pinyin marked, and measure words called what they are.

#include <string>
#include <string_view>

namespace quillo::server {

// "CL:個|个[ge4],顆|颗[ke1]" -> "量词：个 [gè]，颗 [kē]" for a Simplified reader; a reference
// elsewhere in a sense becomes "苹果 [píng guǒ]". Text outside the notation is kept as it is.
std::string ReadableSense(std::string_view sense, bool traditionalFirst);

} // namespace quillo::server
