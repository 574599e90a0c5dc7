// The body of an API request as any client may send it: the input's first line is the
// Content-Type (JSON, form, multipart with its boundary), the rest the body. None may crash,
// read outside its input or loop; a form's values are UTF-8, and a lone value is no list.

#include "server/api/ApiInput.h"
#include "server/base/TextCodec.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <string>

using namespace quillo::server;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);
    const size_t split = input.find('\n');
    const std::string contentType = input.substr(0, split);
    const std::string body = split == std::string::npos ? std::string() : input.substr(split + 1);
    std::string error;
    const auto parsed = ApiInput::parse(contentType, body, error);
    if (!parsed) {
        if (error.empty())
            __builtin_trap(); // a refusal always says why
        return 0;
    }
    std::string type = contentType.substr(0, contentType.find(';'));
    std::transform(type.begin(), type.end(), type.begin(), [](unsigned char c) { return std::tolower(c); });
    const bool form = type.find("json") == std::string::npos && type.find("multipart") == std::string::npos;
    for (const char* name : {"q", "text", "source", "target", "engines", "api_key", "stream", "format"}) {
        const auto& values = parsed->values(name);
        if (parsed->has(name) != (!values.empty() || parsed->isList(name)))
            __builtin_trap(); // a field is there when it has a value or is a (possibly empty) list
        if (values.size() > 1 && !parsed->isList(name))
            __builtin_trap();
        if (parsed->text(name) != (values.empty() ? std::string() : values.front()))
            __builtin_trap();
        for (const std::string& value : values) {
            if (form && !IsValidUtf8(value))
                __builtin_trap();
        }
        (void)parsed->flag(name);
    }
    return 0;
}
