#include "server/engines/remote/Topics.h"

#include <array>
#include <charconv>

namespace quillo::server {

std::string_view TopicDomain(std::string_view code)
{
    static constexpr std::array<std::string_view, 21> kDomains{
        "",                      "the automotive industry", "aviation",
        "chemistry",             "colloquial speech",       "computing",
        "earth sciences",        "economics",               "electronics",
        "food science",          "law",                     "life sciences",
        "mathematics",           "mechanical engineering",  "medicine",
        "metallurgy",            "military affairs",        "naval and maritime matters",
        "photography and optics", "physics",                "political science",
    };
    if (code.size() < 3 || (code[0] != 'g' && code[0] != 'G') || (code[1] != 'l' && code[1] != 'L'))
        return {};
    unsigned number = 0;
    const auto [end, error] = std::from_chars(code.data() + 2, code.data() + code.size(), number);
    if (error != std::errc() || end != code.data() + code.size() || number < 1 || number > kDomains.size())
        return {};
    return kDomains[number - 1];
}

} // namespace quillo::server
