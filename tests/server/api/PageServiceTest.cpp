// The translated-page address: the page fetched from a local site, translated, markup kept;
// and the fetcher's guards.

#include "ServerFixture.h"

#include "core/CodePage.h"
#include "translate/ReplyCuts.h"

#include <QString>

using namespace quillo;
using namespace quillo::server;
using namespace quillo::server::testing;

namespace {

// A small site: a GBK page with links, a redirect to it, a redirect loop, a large page, a
// missing page, an image, plain text and pages under a Chinese and a Korean name.
class PageSite {
public:
    PageSite()
    {
        httplib::Server& server = site.server();
        server.Get("/p.html", [this](const httplib::Request&, httplib::Response& response) {
            ++visits;
            const std::string html = "<html><head><meta charset=\"gbk\"><title>标题</title></head>"
                                     "<body><p>你好 <a href=\"/next.html\">下一页</a></p>"
                                     "<img src=\"img/a.png\"></body></html>";
            response.set_content(str(ToAnsi(QString::fromStdString(html))), "text/html");
        });
        server.Get("/dir/redirect", [](const httplib::Request&, httplib::Response& response) {
            response.set_redirect("/p.html");
        });
        server.Get("/loop", [](const httplib::Request&, httplib::Response& response) {
            response.set_redirect("/loop");
        });
        server.Get("/big", [](const httplib::Request&, httplib::Response& response) {
            response.set_content(std::string(200 * 1024, 'x'), "text/html");
        });
        server.Get("/image.png", [](const httplib::Request&, httplib::Response& response) {
            response.set_content("\x89PNG", "image/png");
        });
        server.Get("/text.txt", [](const httplib::Request&, httplib::Response& response) {
            response.set_content("line one\nline two", "text/plain; charset=utf-8");
        });
        server.Get("/boom.html", [](const httplib::Request&, httplib::Response& response) {
            response.set_content("<p>boom</p><p>two</p>", "text/html; charset=utf-8");
        });
        server.Get("/中文.html", [](const httplib::Request&, httplib::Response& response) {
            response.set_content("<p>名字</p>", "text/html; charset=utf-8");
        });
        server.Get("/한국어.html", [](const httplib::Request&, httplib::Response& response) {
            response.set_content("<p>이름</p>", "text/html; charset=utf-8");
        });
        site.start();
    }

    LocalSite site;
    std::atomic<int> visits{0};
};

ServeOptions smallPages(bool allowPrivate)
{
    ServeOptions options = RunningService::echoOptions();
    options.allowPrivateFetch = allowPrivate;
    options.pageMaxBytes = 64 * 1024;
    return options;
}

} // namespace

TEST(PageServiceTest, ThePageArrivesTranslatedWithItsMarkupAndAbsoluteLinks)
{
    PageSite site;
    RunningService service(smallPages(true));
    httplib::Client client = service.client();
    const std::string expected =
        "<html><head><meta charset=\"utf-8\"><title>[EN] 标题</title></head>"
        "<body><p>[EN] 你好 <a href=\"" + site.site.url("/next.html") + "\">[EN] 下一页</a></p>"
        "<img src=\"" + site.site.url("/img/a.png") + "\"></body></html>";
    for (bool browserSlash : {false, true}) {
        const auto page = client.Get(PageAddress(client, site.site.url("/p.html"), "&wl_srclang=ZH_CN&wl_trglang=EN", browserSlash));
        ASSERT_TRUE(page);
        EXPECT_EQ(page->status, 200);
        EXPECT_EQ(page->get_header_value("Content-Type"), "text/html; charset=utf-8");
        EXPECT_EQ(page->body, expected);
    }
    // Redirects are followed, and links resolve against where the page really is.
    const auto redirected = client.Get(PageAddress(client, site.site.url("/dir/redirect")));
    EXPECT_EQ(redirected->body, expected);

    const auto chinese = client.Get(PageAddress(client, site.site.url("/中文.html")));
    EXPECT_EQ(chinese->body, "<p>[EN] 名字</p>");
    // A name code page 936 cannot hold travels as GB18030 and arrives whole.
    const auto korean = client.Get(PageAddress(client, site.site.url("/한국어.html")));
    EXPECT_EQ(korean->body, "<p>[EN] 이름</p>");
    const auto text = client.Get(PageAddress(client, site.site.url("/text.txt")));
    EXPECT_EQ(text->body, "[EN] line one\nline two");
}

TEST(PageServiceTest, PagesThatCannotBeHadGetAnErrorPage)
{
    PageSite site;
    RunningService service(smallPages(true));
    httplib::Client client = service.client();
    auto statusOf = [&](const std::string& address) {
        const auto result = client.Get(address);
        return result ? result->status : -1;
    };
    EXPECT_EQ(statusOf(PageAddress(client, site.site.url("/loop"))), 502);
    EXPECT_EQ(statusOf(PageAddress(client, site.site.url("/big"))), 502);
    EXPECT_EQ(statusOf(PageAddress(client, site.site.url("/missing"))), 502);
    EXPECT_EQ(statusOf(PageAddress(client, site.site.url("/image.png"))), 415);
    EXPECT_EQ(statusOf(PageAddress(client, "ftp://127.0.0.1/file")), 400);
    EXPECT_EQ(statusOf(PageAddress(client, "http://")), 400);

    const std::string good = PageAddress(client, site.site.url("/p.html"));
    EXPECT_EQ(statusOf(good.substr(0, good.find("&wl_srclang"))), 400);     // no languages
    EXPECT_EQ(statusOf(good.substr(0, good.find("&wl_trglang")) + "&wl_trglang=XX"), 400);
    EXPECT_EQ(statusOf("/" + std::string(32, 'A') + "/translation?wl_url=x"), 404); // unknown id
}

TEST(PageServiceTest, InternalAddressesAreRefusedUnlessAllowed)
{
    PageSite site;
    RunningService service(smallPages(false));
    httplib::Client client = service.client();
    const auto refused = client.Get(PageAddress(client, site.site.url("/p.html")));
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->status, 403);
    EXPECT_NE(refused->body.find("内部网络"), std::string::npos);
    // Names that resolve to loopback are refused the same way.
    const auto byName = client.Get(PageAddress(client, "http://localhost:" + std::to_string(site.site.port()) + "/p.html"));
    EXPECT_EQ(byName->status, 403);
    EXPECT_EQ(site.visits.load(), 0);
}

TEST(PageServiceTest, PairsWithoutAnEngineAreSaidSoWithoutFetching)
{
    PageSite site;
    FakeLibreTranslate fake;
    ServeOptions options;
    options.backends = {"libretranslate"};
    options.engineValues["libretranslate/url"] = fake.site.url("");
    options.allowPrivateFetch = true;
    RunningService service(options);
    httplib::Client client = service.client();
    std::string address = PageAddress(client, site.site.url("/p.html"));
    address.replace(address.find("wl_trglang=EN"), 13, "wl_trglang=KO");
    const auto page = client.Get(address);
    ASSERT_TRUE(page);
    EXPECT_NE(page->body.find("本服务器没有从简体中文翻译到韩国语的翻译引擎。"), std::string::npos);
    EXPECT_EQ(site.visits.load(), 0);
}

TEST(PageServiceTest, RunsLeftUntranslatedAreReportedInThePageAndAHeader)
{
    PageSite site;
    FakeLibreTranslate engine; // fails on "boom"
    ServeOptions options = smallPages(true);
    options.backends = {"libretranslate"};
    options.engineValues["libretranslate/url"] = engine.site.url("");
    RunningService service(options);
    httplib::Client client = service.client();
    const auto page = client.Get(PageAddress(client, site.site.url("/boom.html"), "&wl_srclang=EN&wl_trglang=ZH_TW"));
    ASSERT_TRUE(page);
    EXPECT_EQ(page->status, 200);
    EXPECT_EQ(page->get_header_value("X-Quillo-Untranslated-Runs"), "2");
    EXPECT_EQ(page->body, "<p>boom</p><p>two</p>\n<p lang=\"zh-CN\">【网页翻译】翻译引擎出错，本页有 2 段文字没有翻译。</p>\n");
}
