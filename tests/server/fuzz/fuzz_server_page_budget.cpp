// The page path as the service runs it, from fetched bytes to the served copy or a refusal, for
// pages written to make the parser's work grow (elements reopened for every block, deep nesting,
// tags of many attributes; see the seeds). The run's own memory limit (-rss_limit_mb=512) and
// time-out are the checks: no page may take the path beyond its budgets. The parse's memory
// budget is the service's divided by four, so that the address sanitizer's redzones and
// quarantine around a parse at its budget stay below that limit.

#include "server/pages/HtmlTranslator.h"
#include "server/pages/PageEncoding.h"

#include <cstdint>
#include <cstdlib>
#include <string>

using namespace quillo::server;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    HtmlTranslationLimits limits;
    limits.parse.memoryBytes /= 4;
    HtmlTranslator translator([](const std::string& run) -> std::optional<std::string> { return "[ZH_CN] " + run; },
                              limits);
    const HtmlTranslation copy = translator.translate(DecodePage(bytes, "text/html", true), "http://example.com/a/");
    // A refusal always has a sentence for the reader.
    if (copy.refusal && copy.refusal->sentence.empty())
        std::abort();
    return 0;
}
