// The page translator from fetched bytes to the served copy, with an engine that answers every
// run with markup of its own. Whatever the bytes, the copy read by the HTML5 parser must run
// nothing the original does not run: no script, handler or script address it lacks. (It may
// run less: a link that only a browser's leniency reads as "javascript:" becomes absolute.)

#include "../ActiveContent.h"

#include "server/pages/HtmlTranslator.h"
#include "server/pages/PageEncoding.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

using namespace quillo::server;

namespace {

std::vector<std::string> sorted(std::vector<std::string> items)
{
    std::sort(items.begin(), items.end());
    return items;
}

void expectNothingNewRuns(const std::string& original)
{
    HtmlTranslator translator([](const std::string& run) -> std::optional<std::string> {
        return "</TITLE></textarea></script><script>x()</script><b onclick='y()'>&amp;\"" + run;
    });
    const HtmlTranslation copy = translator.translate(original, "http://example.com/a/b.html");
    if (copy.refusal)
        return;
    const auto before = sorted(testing::ActiveContent(original));
    const auto after = sorted(testing::ActiveContent(copy.page));
    if (!std::includes(before.begin(), before.end(), after.begin(), after.end())) {
        std::fprintf(stderr, "the copy runs other code than the original:\n%s\n---\n%s\n",
                     original.c_str(), copy.page.c_str());
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    expectNothingNewRuns(DecodePage(bytes, "text/html", true));
    expectNothingNewRuns(bytes); // not UTF-8 at all
    return 0;
}
