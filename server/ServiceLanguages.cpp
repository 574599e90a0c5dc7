#include "server/ServiceLanguages.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace quillo::server {

namespace {

constexpr std::array<ServiceLanguage, 13> kLanguages{{
    {"zh", "ZH_CN", "简体中文"},
    {"zt", "ZH_TW", "繁体中文"},
    {"en", "EN", "英语"},
    {"nl", "NL", "荷兰语"},
    {"fr", "FR", "法语"},
    {"de", "DE", "德语"},
    {"el", "EL", "希腊语"},
    {"it", "IT", "意大利语"},
    {"ja", "JA", "日本语"},
    {"ko", "KO", "韩国语"},
    {"pt", "PT", "葡萄牙语(巴西)"},
    {"ru", "RU", "俄语"},
    {"es", "ES", "西班牙语"},
}};

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size()
        && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x))
                   == std::tolower(static_cast<unsigned char>(y));
           });
}

template <typename Field>
const ServiceLanguage* find(std::string_view code, Field field)
{
    for (const ServiceLanguage& language : kLanguages) {
        if (equalsIgnoringCase(language.*field, code))
            return &language;
    }
    return nullptr;
}

} // namespace

const ServiceLanguage* LanguageByCode(std::string_view code)
{
    return find(code, &ServiceLanguage::code);
}

const ServiceLanguage* LanguageByWorldLingoCode(std::string_view code)
{
    return find(code, &ServiceLanguage::worldLingo);
}

} // namespace quillo::server
