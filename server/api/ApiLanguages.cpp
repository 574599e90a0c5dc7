#include "server/api/ApiLanguages.h"

#include <algorithm>
#include <cctype>

namespace quillo::server {

namespace {

struct Alias {
    std::string_view open;
    std::string_view code; // the program's
};

constexpr Alias kChinese[] = {{"zh-Hans", "zh"}, {"zh-Hant", "zt"}};

bool sameCode(std::string_view a, std::string_view b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    });
}

} // namespace

const ServiceLanguage* ApiLanguage(std::string_view code)
{
    for (const Alias& alias : kChinese) {
        if (sameCode(code, alias.open))
            return LanguageByCode(alias.code);
    }
    return LanguageByCode(code);
}

std::string ApiCode(const ServiceLanguage& language, CodeStyle style)
{
    if (style == CodeStyle::Open) {
        for (const Alias& alias : kChinese) {
            if (language.code == alias.code)
                return std::string(alias.open);
        }
    }
    return std::string(language.code);
}

} // namespace quillo::server
