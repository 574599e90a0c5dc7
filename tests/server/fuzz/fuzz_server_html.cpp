// Fetched pages as any web server may send them: the encoding sniffing and decoding, the
// parser and the splicing of translated text and links must survive every byte sequence.

#include "server/pages/HtmlTranslator.h"
#include "server/pages/PageEncoding.h"

#include <cstdint>
#include <string>

using namespace quillo::server;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string html(reinterpret_cast<const char*>(data), size);
    HtmlTranslator translator([](const std::string& run) -> std::optional<std::string> { return run; });
    (void)translator.translate(html, "http://example.com/a/b.html");
    (void)DecodePage(html, html.substr(0, 64), size % 2 == 0);
    (void)EncodingForLabel(html.substr(0, 32));
    return 0;
}
