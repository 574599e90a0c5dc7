// Fetched pages as any web server may send them: the tokenizer, character references, link
// resolution and charset sniffing must survive every byte sequence, and a page whose runs
// translate to themselves must keep every byte outside its links and charset declarations.

#include "server/HtmlTranslator.h"

#include <cstdint>
#include <string>

using namespace quillo::server;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string html(reinterpret_cast<const char*>(data), size);
    HtmlTranslator translator([](const std::string& run) -> std::optional<std::string> { return run; });
    (void)translator.translate(html, "http://example.com/a/b.html");
    (void)HtmlTranslator::declaredCharset(html.substr(0, 64), html);
    (void)HtmlTranslator::decodeCharacterReferences(html);
    return 0;
}
