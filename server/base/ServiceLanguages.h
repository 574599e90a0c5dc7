#pragma once
// The 13 languages the program offers, under the codes each service contract uses. Backends
// see the short code ("zh" Simplified, "zt" Traditional Chinese, else ISO 639-1).

#include <span>
#include <string_view>

namespace quillo::server {

struct ServiceLanguage {
    std::string_view code;       // "zh", "zt", "en", ... (also the text request's code)
    std::string_view worldLingo; // "ZH_CN", "ZH_TW", "EN", ...
    std::string_view name;       // as the program's language lists show it
    std::string_view english;    // in words, for engines that are told the language by name
};

// Case-insensitive lookups; nullptr for a code outside the list.
const ServiceLanguage* LanguageByCode(std::string_view code);
const ServiceLanguage* LanguageByWorldLingoCode(std::string_view code);
// The 13 languages in the order of the program's lists.
std::span<const ServiceLanguage> AllLanguages();

} // namespace quillo::server
