// The text translation contracts through real HTTP on loopback: bodies built by the program's
// own encoders, answers read by the program's own reply cuts.

#include "ServerFixture.h"

#include "core/CodePage.h"
#include "translate/Encoding.h"
#include "translate/ReplyCuts.h"

#include <QString>

#include <regex>

using namespace quillo;
using namespace quillo::server;
using namespace quillo::server::testing;

namespace {

const std::string kBabelHead = "ei=UTF-8&doit=done&fr=bf-res&intl=1&tt=urltext&trtext=";
const std::string kSessionHead =
    "Cookie:%20__utma=123456789.1234567890.1234567890.1234567890.1234567890.12;%20"
    "__utmz=123456789.1234567890.1.1.utmccn=(referral)|utmcsr=example.com|utmcct=/x|utmcmd=referral;"
    "%20__utmb=123456789;%20__utmc=123456789;%20h2=a;%20he=abc....wl_url=http%3A%2F%2Fwww%2E"
    "example%2Ecom%2Fen%2Fproducts_services%2Fworldlingo_translator.html&wl_srcenc=utf-8"
    "&wl_trgenc=utf-8&wl_text_result=%E7%93%B7&wl_text=";
const std::string kPageHead = "%20__utma=123456789.1234567890.1234567890.1234567890.1234567890.12;"
                              "%20JSESSIONID=0123456789ABCDEF0123456789ABCDEF.web1"
                              "&wl_mimetype=text/html&wl_text=";

std::string babelBody(const std::string& text, const std::string& pair)
{
    return kBabelHead + text + "&lp=" + pair + "&btnTrTxt=Translate";
}

std::string sessionBody(const std::string& text)
{
    return kSessionHead + text + "&wl_srclang=ZH_CN&wl_trglang=EN&Submit=Translate&l_glossary=gl6";
}

std::string pageBody(const std::string& text)
{
    return kPageHead + text + "&wl_srcenc=utf-8&wl_gloss=gl6&wl_srclang=ZH_CN&wl_trglang=EN";
}

// What the program makes of a Babel Fish page: the cut, decoded.
QString babelResult(const httplib::Result& result)
{
    if (!result)
        return QStringLiteral("<no answer>");
    const auto cut = ExtractBabelFishResult(ReplyText(bytes(result->body)));
    return cut ? Utf8Decode(*cut) : QStringLiteral("<no result block>");
}

QByteArray utf8(const char* text)
{
    return Utf8Encode(QString::fromUtf8(text));
}

} // namespace

TEST(TextServicesTest, BabelFishPageHoldsTheResultBlockTheProgramCuts)
{
    RunningService service;
    httplib::Client client = service.client();

    const auto first = client.Post("/translate_txt", babelBody(str(FormEncode(utf8("你好 世界"))), "zh_en"), kForm);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->status, 200);
    EXPECT_EQ(babelResult(first), QStringLiteral("[en] 你好 世界"));
    // Exactly eight bytes stand between the marker and the translation.
    const std::string marker = "<div id=\"result\"><div style=\"padding:";
    const size_t at = first->body.find(marker);
    ASSERT_NE(at, std::string::npos);
    EXPECT_EQ(first->body.compare(at + marker.size() + 8, 4, "[en]"), 0);

    // Characters special in HTML reach the program as the engine wrote them.
    const auto special = client.Post("/translate_txt",
                                     babelBody(str(FormEncode(utf8("It&#39;s <b>x</b> & y"))), "en_zt"), kForm);
    EXPECT_EQ(babelResult(special), QStringLiteral("[zt] It&#39;s <b>x</b> & y"));
    // Even an end marker inside the translation does not cut it short.
    const auto marked = client.Post("/translate_txt", babelBody(str(FormEncode(utf8("a</div></div>b"))), "en_fr"), kForm);
    EXPECT_EQ(babelResult(marked), QStringLiteral("[fr] a&lt;/div></div>b"));
}

TEST(TextServicesTest, BabelFishChainThroughEnglishInBothBodyForms)
{
    RunningService service;
    httplib::Client client = service.client();
    const auto first = client.Post("/translate_txt", babelBody(str(FormEncode(utf8("猫 & 狗"))), "zh_en"), kForm);
    const QString english = babelResult(first);
    ASSERT_EQ(english, QStringLiteral("[en] 猫 & 狗"));

    // As older clients send the second request: the text unescaped, in GBK.
    const auto raw = client.Post("/translate_txt", babelBody(str(ToAnsi(english)), "en_fr"), kForm);
    EXPECT_EQ(babelResult(raw), QStringLiteral("[fr] [en] 猫 & 狗"));
    // As the mended program sends it: UTF-8, form-encoded.
    const auto mended = client.Post("/translate_txt", babelBody(str(FormEncode(Utf8Encode(english))), "en_fr"), kForm);
    EXPECT_EQ(babelResult(mended), QStringLiteral("[fr] [en] 猫 & 狗"));

    // Longer than the 8 KiB form limit of the HTTP library: 2000 characters form-encoded.
    const QString long2000(2000, QChar(0x4E2D));
    const auto longText = client.Post("/translate_txt", babelBody(str(FormEncode(Utf8Encode(long2000))), "zh_en"), kForm);
    EXPECT_EQ(babelResult(longText), QStringLiteral("[en] ") + long2000);
}

TEST(TextServicesTest, WorldLingoLoaderGivesAPerVisitPrefixForTheSessionEndpoint)
{
    RunningService service;
    httplib::Client client = service.client();
    const QByteArray root = bytes(service.root());

    const auto loader = client.Get("/S3704.3-zh/loader");
    ASSERT_TRUE(loader);
    const QByteArray prefix = ExtractSessionPrefix(ReplyText(bytes(loader->body)), root);
    ASSERT_TRUE(std::regex_match(str(prefix), std::regex(str(root) + "[A-Za-z0-9]{33}/"))) << str(prefix);
    const auto again = client.Get("/S3704.3-zh/loader");
    EXPECT_NE(ExtractSessionPrefix(ReplyText(bytes(again->body)), root), prefix);

    const std::string endpoint = str(prefix.mid(root.size() - 1)) + "texttranslate";
    // The older clients' body: unescaped UTF-8, an "&" inside the text.
    const auto raw = client.Post(endpoint, sessionBody(str(utf8("你好 & x=y"))), kForm);
    ASSERT_TRUE(raw);
    EXPECT_EQ(raw->status, 200);
    EXPECT_EQ(Utf8Decode(ReplyText(bytes(raw->body))), QStringLiteral("[EN] 你好 & x=y\r\n"));
    // The mended body: the text form-encoded.
    const auto mended = client.Post(endpoint, sessionBody(str(FormEncode(utf8("你好 & x=y")))), kForm);
    EXPECT_EQ(Utf8Decode(ReplyText(bytes(mended->body))), QStringLiteral("[EN] 你好 & x=y\r\n"));

    const auto stranger = client.Post("/" + std::string(33, 'A') + "/texttranslate", sessionBody("x"), kForm);
    EXPECT_EQ(stranger->status, 404);
}

TEST(TextServicesTest, LoaderNamesTheRootAsTheClientAddressedIt)
{
    ServeOptions options = RunningService::echoOptions();
    options.publicHosts = {"translate.example"};
    RunningService service(options);
    httplib::Client client = service.client();
    const auto named = client.Get("/S3704.3-zh/loader", {{"Host", "translate.example:8437"}});
    EXPECT_FALSE(ExtractSessionPrefix(ReplyText(bytes(named->body)), "http://translate.example:8437/").isEmpty());
    // A Host header that is not a plain host cannot write into the page.
    const auto hostile = client.Get("/S3704.3-zh/loader", {{"Host", "translate.example:1\"><script>alert(1)</script>"}});
    EXPECT_EQ(hostile->body.find("<script>alert"), std::string::npos);
    EXPECT_FALSE(ExtractSessionPrefix(ReplyText(bytes(hostile->body)), bytes(service.root())).isEmpty());
}

TEST(TextServicesTest, TranslationPageAndObjectAddress)
{
    RunningService service;
    httplib::Client client = service.client();
    const QString text = QStringLiteral("你好，世界 abc");
    for (const QByteArray& encoded : {PercentEncodeBytes(ToAnsi(text)), PercentEncodeBytes(Utf8Encode(text))}) {
        const auto page = client.Post("/wl/translate/cn/translation", pageBody(str(encoded)), kForm);
        ASSERT_TRUE(page);
        EXPECT_NE(page->body.find("<textarea name=\"wl_result\" "), std::string::npos); // attributes follow
        const auto cut = ExtractWorldLingoResult(ReplyText(bytes(page->body)));
        ASSERT_TRUE(cut.has_value());
        EXPECT_EQ(Utf8Decode(*cut), QStringLiteral("[EN] ") + text);
    }

    const auto object = client.Get("/S3739.5/object?");
    ASSERT_TRUE(object);
    const QByteArray id = ExtractPageId(ReplyText(bytes(object->body)));
    EXPECT_TRUE(std::regex_match(str(id), std::regex("[A-Za-z0-9]{32}\\\\"))) << str(id);
    EXPECT_NE(ExtractPageId(ReplyText(bytes(client.Get("/S3739.5/object?")->body))), id);
}

TEST(TextServicesTest, OversizedMalformedAndTruncatedInputGetsAClearRefusal)
{
    RunningService service;
    httplib::Client client = service.client();
    auto status = [&](const std::string& body) {
        const auto result = client.Post("/translate_txt", body, kForm);
        return result ? result->status : -1;
    };
    const std::string tail = "&lp=en_fr";
    const std::string fits = "trtext=" + std::string(64 * 1024 - 7 - tail.size(), 'a') + tail;
    EXPECT_EQ(status(fits), 200);
    EXPECT_EQ(status(fits + "a"), 413);
    EXPECT_EQ(status("trtext=hello"), 400);              // no pair
    EXPECT_EQ(status("trtext=hello&lp=xx_en"), 400);     // unknown language
    EXPECT_EQ(status("trtext=hello&lp=en"), 400);
    EXPECT_EQ(status("trtext=ab%4&lp=en_fr"), 400);      // broken escape
    EXPECT_EQ(status("trtext=%81%20&lp=en_fr"), 400);    // neither UTF-8 nor GBK
    EXPECT_EQ(client.Post("/wl/translate/cn/translation", "wl_text=%41", kForm)->status, 400);

    const std::string head = "POST /translate_txt HTTP/1.1\r\nHost: " + service.hostPort() + "\r\nContent-Type: " + std::string(kForm);
    // Announced too large: refused before the body is sent.
    EXPECT_EQ(RawExchange(service.port(), head + "\r\nContent-Length: 999999\r\n\r\n").substr(0, 12),
              "HTTP/1.1 413");
    // Cut short: fewer bytes than announced, then the client sends nothing more.
    EXPECT_EQ(RawExchange(service.port(), head + "\r\nContent-Length: 100\r\n\r\ntrtext=abc").substr(0, 12),
              "HTTP/1.1 400");
    // Too large without an announced length.
    const std::string chunk(70 * 1024, 'a');
    char size[32];
    std::snprintf(size, sizeof size, "%zx", chunk.size());
    EXPECT_EQ(RawExchange(service.port(), head + "\r\nTransfer-Encoding: chunked\r\n\r\n" + size + "\r\n"
                                              + chunk + "\r\n0\r\n\r\n").substr(0, 12),
              "HTTP/1.1 413");
    // And the server is still there.
    EXPECT_EQ(status("trtext=still&lp=en_fr"), 200);
}

TEST(TextServicesTest, PairsWithoutAnEngineAndFailingEnginesAreSaidSo)
{
    FakeLibreTranslate fake;
    ServeOptions options;
    options.backends = {"libretranslate"};
    options.engineValues["libretranslate/url"] = fake.site.url("");
    RunningService service(options);
    httplib::Client client = service.client();

    const auto translated = client.Post("/translate_txt", babelBody("hello", "en_zh"), kForm);
    EXPECT_EQ(babelResult(translated), QStringLiteral("zh-Hans:hello"));
    const auto noEngine = client.Post("/translate_txt", babelBody("hello", "en_ko"), kForm);
    EXPECT_EQ(noEngine->status, 200);
    const QString sentence = babelResult(noEngine);
    EXPECT_TRUE(sentence.startsWith(QStringLiteral("本服务器没有从英语翻译到韩国语的翻译引擎。\r\n")));
    EXPECT_TRUE(sentence.contains(u"QUILLO_LLM_URL")) << sentence.toStdString(); // how to add one
    const auto failed = client.Post("/translate_txt", babelBody("boom", "en_zh"), kForm);
    EXPECT_EQ(failed->status, 502);
    EXPECT_EQ(babelResult(failed), QStringLiteral("翻译引擎出错，本次翻译没有完成，请稍后再试。"));

    // An engine that cannot be asked is a failure, not a missing engine.
    fake.site.stop();
    RunningService orphan(options);
    const auto unreachable = orphan.client().Post("/translate_txt", babelBody("hello", "en_zh"), kForm);
    EXPECT_EQ(unreachable->status, 502);
    EXPECT_EQ(babelResult(unreachable), QStringLiteral("翻译引擎出错，本次翻译没有完成，请稍后再试。"));
}
