#include "server/base/ServiceLanguages.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace quillo::server {

namespace {

constexpr std::array<ServiceLanguage, 13> kLanguages{{
    {"zh", "ZH_CN", "简体中文", "Simplified Chinese"},
    {"zt", "ZH_TW", "繁体中文", "Traditional Chinese"},
    {"en", "EN", "英语", "English"},
    {"nl", "NL", "荷兰语", "Dutch"},
    {"fr", "FR", "法语", "French"},
    {"de", "DE", "德语", "German"},
    {"el", "EL", "希腊语", "Greek"},
    {"it", "IT", "意大利语", "Italian"},
    {"ja", "JA", "日本语", "Japanese"},
    {"ko", "KO", "韩国语", "Korean"},
    {"pt", "PT", "葡萄牙语(巴西)", "Brazilian Portuguese"},
    {"ru", "RU", "俄语", "Russian"},
    {"es", "ES", "西班牙语", "Spanish"},
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

std::span<const ServiceLanguage> AllLanguages()
{
    return kLanguages;
}

const ServiceLanguage* LanguageByWorldLingoCode(std::string_view code)
{
    return find(code, &ServiceLanguage::worldLingo);
}

} // namespace quillo::server
