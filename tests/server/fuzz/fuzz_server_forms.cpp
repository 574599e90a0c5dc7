// Request bodies and queries as any client may send them: form splitting with an unescaped
// text field, escapes, UTF-8/GBK decoding, the Apertium stream escaping of the result, and the
// feedback text undo. None may crash, read outside its input or loop.

#include "server/engines/apertium/ApertiumBackend.h"
#include "server/stores/FeedbackStore.h"
#include "server/base/FormBody.h"
#include "server/base/TextCodec.h"

#include <cstdint>
#include <string>

using namespace quillo::server;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string body(reinterpret_cast<const char*>(data), size);
    for (const auto& [text, next] : {std::pair{"trtext", "lp"}, std::pair{"wl_text", "wl_srclang"},
                                     std::pair{"wl_text", "wl_srcenc"}}) {
        const FormBody form = FormBody::parseWithText(body, text, next);
        const auto raw = form.raw(text);
        if (!raw)
            continue;
        const auto bytes = DecodeFormValue(*raw);
        if (!bytes)
            continue;
        if (const auto decoded = Utf8OrGbkToUtf8(*bytes)) {
            if (ApertiumBackend::unescape(ApertiumBackend::escape(*decoded)) != *decoded
                && decoded->find('\0') == std::string::npos)
                __builtin_trap(); // the stream escaping must give back what it was given
        }
    }
    const FormBody feedback = FormBody::parse(body);
    if (const auto text = feedback.raw("text")) {
        if (const auto bytes = PercentDecode(*text, true)) {
            if (const auto decoded = Gb18030ToUtf8(*bytes))
                (void)TypedText(*decoded);
        }
    }
    (void)DefuseMarker(body, "</textarea>");
    return 0;
}
