// Pages written to turn their inert content into live script once translated, and text that
// tries to break out of the WorldLingo result box. Each answer is read by the HTML5 parser: it
// must run exactly what the original runs in a browser, no more.

#include "ActiveContent.h"
#include "ServerFixture.h"

#include "server/pages/HtmlTree.h"
#include "translate/Encoding.h"

#include <QString>

using namespace quillo;
using namespace quillo::server;
using namespace quillo::server::testing;

namespace {

struct HostilePage {
    const char* name;
    std::string contentType;
    std::string body;
};

// "<script>document.title='pwned'</script>" in the EBCDIC code page 37.
const std::string kEbcdicScript =
    "\x4C\xA2\x83\x99\x89\x97\xA3\x6E\x84\x96\x83\xA4\x94\x85\x95\xA3\x4B\xA3\x89\xA3\x93\x85\x7E"
    "\x7D\x97\xA6\x95\x85\x84\x7D\x4C\x61\xA2\x83\x99\x89\x97\xA3\x6E";

const std::vector<HostilePage>& hostilePages()
{
    static const std::vector<HostilePage> pages{
        {"a script holding a lookalike end tag and a reference", "text/html",
         "<html><head><script>var s = '</scriptx>&#39;;document.title=\"pwned\";//';</script>"
         "</head><body><p>Hello</p></body></html>"},
        {"a script holding a comment with a script in it", "text/html",
         "<p>Hello</p><script>\n<!--<script>\n"
         "var s = \"</script><img src=x onerror=document.title='pwned'>\";\n</script><p>Bye</p>"},
        {"a page declaring UTF-7", "text/html",
         "<html><head><meta charset=\"utf-7\"></head><body><p>Hello "
         "+ADw-script+AD4-document.title='pwned'+ADw-/script+AD4-</p></body></html>"},
        {"a page declaring EBCDIC in a meta", "text/html",
         "<meta charset=\"ibm037\"><p>Hello</p>" + kEbcdicScript},
        {"a page declaring EBCDIC in its header", "text/html; charset=IBM037",
         "<p>Hello</p>" + kEbcdicScript},
        {"text that reads as markup once decoded", "text/html; charset=utf-8",
         "<p>Hello &lt;script&gt;document.title='pwned'&lt;/script&gt;</p>"},
        {"a title and a text area that read as their own end", "text/html",
         "<title>A &lt;/TITLE&gt;&lt;script&gt;document.title='pwned'&lt;/script&gt;</title>"
         "<textarea>B &lt;/TEXTAREA&gt;&lt;script&gt;document.title='pwned'&lt;/script&gt;</textarea>"},
        {"a link whose address holds quotes", "text/html",
         "<a href='/next?q=&#39; onclick=document.title=&#39;pwned'>Next</a>"},
    };
    return pages;
}

std::string textAreaText(std::string_view html)
{
    const HtmlTree tree(html);
    std::vector<const GumboNode*> pending{tree.document()};
    while (!pending.empty()) {
        const GumboNode* node = pending.back();
        pending.pop_back();
        if (node->type == GUMBO_NODE_ELEMENT && node->v.element.tag == GUMBO_TAG_TEXTAREA) {
            const auto children = HtmlTree::children(node);
            return children.size() == 1 ? children[0]->v.text.text : std::string("<not one text>");
        }
        for (const GumboNode* child : HtmlTree::children(node))
            pending.push_back(child);
    }
    return "<no text area>";
}

} // namespace

TEST(HostilePageTest, TranslatedPagesRunNothingTheOriginalDidNotRun)
{
    LocalSite site;
    for (size_t i = 0; i < hostilePages().size(); ++i) {
        const HostilePage& page = hostilePages()[i];
        site.server().Get("/" + std::to_string(i), [&page](const httplib::Request&, httplib::Response& response) {
            response.set_content(page.body, page.contentType);
        });
    }
    site.start();
    RunningService service;
    httplib::Client client = service.client();
    for (size_t i = 0; i < hostilePages().size(); ++i) {
        const HostilePage& page = hostilePages()[i];
        SCOPED_TRACE(page.name);
        const auto answer = client.Get(PageAddress(client, site.url("/" + std::to_string(i)), "&wl_srclang=EN&wl_trglang=ZH_CN"));
        ASSERT_TRUE(answer);
        EXPECT_EQ(answer->status, 200);
        EXPECT_EQ(answer->get_header_value("Content-Security-Policy"),
                  "sandbox allow-scripts allow-forms allow-popups");
        EXPECT_NE(answer->body.find("[ZH_CN] "), std::string::npos) << answer->body; // translated
        // Every page here is ASCII where it matters, so its own bytes show what a browser runs.
        EXPECT_EQ(ActiveContent(answer->body), ActiveContent(page.body)) << answer->body;
    }
}

TEST(HostilePageTest, TheResultBoxHoldsAnyTextAsText)
{
    RunningService service;
    httplib::Client client = service.client();
    for (const char* text : {"</TEXTAREA><script>document.title='pwned'</script>",
                             "</textarea ><img src=x onerror=alert(1)>", "a & b < c > d \" e ' f"}) {
        SCOPED_TRACE(text);
        const std::string body = "wl_text=" + str(PercentEncodeBytes(Utf8Encode(QString::fromUtf8(text))))
            + "&wl_srcenc=utf-8&wl_srclang=ZH_CN&wl_trglang=EN";
        const auto page = client.Post("/wl/translate/cn/translation", body, "application/x-www-form-urlencoded");
        ASSERT_TRUE(page);
        EXPECT_TRUE(ActiveContent(page->body).empty()) << page->body;
        EXPECT_EQ(textAreaText(page->body), std::string("[EN] ") + text);
    }
}

// Pages that cost the parser far more than their size: unclosed formatting elements that it
// reopens in every later block, and one tag of many attributes that it compares with each other.
// Each is answered at once with a sentence saying why, and the service stays up for the next.
TEST(HostilePageTest, PagesThatWouldExhaustTheParserAreRefused)
{
    std::string nested = "<div>";
    for (int i = 0; i < 1000; ++i)
        nested += "<b id=" + std::to_string(i) + ">";
    nested += "</div>";
    for (int i = 0; i < 1000; ++i)
        nested += "<div>x</div>";
    std::string attributes = "<p";
    for (int i = 0; i < 20000; ++i)
        attributes += " a" + std::to_string(i) + "=1";
    attributes += ">Hello</p>";
    const struct {
        const char* path;
        const std::string& page;
        const char* sentence;
    } pages[] = {
        {"/nested", nested, "网页的元素嵌套超过 512 层，浏览器也无法按原样显示，本服务器不予翻译。"},
        {"/attributes", attributes, "网页中有标签带有超过 1000 个属性，本服务器不予翻译。"},
        {"/plain", "<p>Hello</p>", nullptr},
    };
    LocalSite site;
    for (const auto& page : pages) {
        site.server().Get(page.path, [&page](const httplib::Request&, httplib::Response& response) {
            response.set_content(page.page, "text/html");
        });
    }
    site.start();
    RunningService service;
    httplib::Client client = service.client();
    for (const auto& page : pages) {
        SCOPED_TRACE(page.path);
        const auto answer = client.Get(PageAddress(client, site.url(page.path), "&wl_srclang=EN&wl_trglang=ZH_CN"));
        ASSERT_TRUE(answer);
        if (!page.sentence) {
            EXPECT_EQ(answer->status, 200);
            EXPECT_NE(answer->body.find("[ZH_CN] Hello"), std::string::npos) << answer->body;
            continue;
        }
        EXPECT_EQ(answer->status, 502);
        EXPECT_NE(answer->body.find(page.sentence), std::string::npos) << answer->body;
    }
}
