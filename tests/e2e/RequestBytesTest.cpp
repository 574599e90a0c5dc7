// What the window sends, byte for byte, and how it shows what comes back, against a raw
// scripted service.
#include "EngineFixture.h"
#include "core/ServiceAddresses.h"
#include "translate/RequestBodies.h"

using namespace quillo;
using namespace quillo::test;

namespace {

const QByteArray kBabelFishHead = "ei=UTF-8&doit=done&fr=bf-res&intl=1&tt=urltext&trtext=";
const QByteArray kToken = "0123456789abcdefghijklmnopqrstuvw"; // 33 characters, like the service's

QByteArray loaderPage(bool withSessionAddress)
{
    const QByteArray root = ServiceRootAddress();
    QByteArray page = "<html><head><script src=\"/static/wl.js\"></script></head>\n<body>\n";
    if (withSessionAddress)
        page += "<script>var o = \"" + root + kToken + "/object?wl_lp=ZH_CN-EN\";</script>\n";
    return page + "</body></html>\n";
}

} // namespace

TEST_F(EngineTest, TheTextServiceGetsOneBrowserLikeFormPostPerDirectPair)
{
    ScriptedService service([](Connection& c, const QByteArray&) { c.reply(200, babelFishPage("Hello world")); });
    auto form = showFormFor(service.base());

    // A blank, a Chinese character, the form's own delimiters and a line break.
    translate(*form, BabelFish, Simplified, English, QStringLiteral("a b 中&=+%\n2"));
    EXPECT_EQ(form->resultText->toPlainText(), QStringLiteral("Hello world"));
    EXPECT_TRUE(idle(*form));
    translate(*form, BabelFish, English, Traditional, QStringLiteral("x"));
    translate(*form, BabelFish, French, German, QStringLiteral("y"));

    const QList<QByteArray> requests = service.requests();
    ASSERT_EQ(requests.size(), 3);
    const QByteArray& first = requests.at(0);
    EXPECT_EQ(requestLine(first), "POST /translate_txt HTTP/1.1");
    EXPECT_EQ(bodyOf(first), kBabelFishHead + "a+b+%E4%B8%AD%26%3D%2B%25%0D%0A2&lp=zh_en&btnTrTxt=Translate");
    EXPECT_EQ(headerValue(first, "Content-Type"), "application/x-www-form-urlencoded");
    EXPECT_EQ(headerValue(first, "User-Agent"), "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1)");
    EXPECT_EQ(headerValue(first, "Accept"), "image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, "
                                            "application/vnd.ms-excel, application/msword, */*");
    EXPECT_EQ(headerValue(first, "Referer"), (service.base() + QStringLiteral("/translate.dyn")).toUtf8());
    EXPECT_EQ(headerValue(first, "Connection"), "Keep-Alive");
    EXPECT_EQ(bodyOf(requests.at(1)), kBabelFishHead + "x&lp=en_zt&btnTrTxt=Translate");
    EXPECT_EQ(bodyOf(requests.at(2)), kBabelFishHead + "y&lp=fr_de&btnTrTxt=Translate");
}

TEST_F(EngineTest, AChainSendsTheEnglishResultOnEncodedAndShowsOnlyTheLastReply)
{
    ScriptedService service([](Connection& c, const QByteArray& request) {
        const bool toEnglish = bodyOf(request).contains("&lp=zh_en&");
        c.reply(200, babelFishPage(toEnglish ? "caf\xC3\xA9 & co = 1+1 100%" : "C'est fini"));
    });
    auto form = showFormFor(service.base());
    QStringList shown;
    QObject::connect(form->resultText->document(), &QTextDocument::contentsChanged, form.get(),
                     [&] { shown.append(form->resultText->toPlainText()); });

    translate(*form, BabelFish, Simplified, French, QStringLiteral("你好"));

    const QList<QByteArray> requests = service.requests();
    ASSERT_EQ(requests.size(), 2);
    EXPECT_EQ(bodyOf(requests.at(0)), kBabelFishHead + "%E4%BD%A0%E5%A5%BD&lp=zh_en&btnTrTxt=Translate");
    EXPECT_EQ(bodyOf(requests.at(1)),
              kBabelFishHead + "caf%C3%A9+%26+co+%3D+1%2B1+100%25&lp=en_fr&btnTrTxt=Translate");
    EXPECT_EQ(shown, QStringList({QStringLiteral("翻译中…"), QStringLiteral("C'est fini")})) << "the English text is never shown";
    EXPECT_TRUE(idle(*form));
}

TEST_F(EngineTest, WorldLingoPostsToTheSessionAddressTheLoaderNamesAndShowsTheWholeReply)
{
    ScriptedService service([](Connection& c, const QByteArray& request) {
        if (request.startsWith("GET "))
            c.reply(200, loaderPage(true));
        else
            c.reply(200, "one line", "Content-Type: text/plain; charset=utf-8\r\n");
    });
    auto form = showFormFor(service.base());
    form->topicList->setCurrentIndex(kComputing);

    translate(*form, WorldLingo, Simplified, English, QStringLiteral("a b&c 中"));
    EXPECT_EQ(form->resultText->toPlainText(), QStringLiteral("one line\n")) << "the reply's last line keeps its break";
    EXPECT_TRUE(idle(*form));

    const QList<QByteArray> requests = service.requests();
    ASSERT_EQ(requests.size(), 2);
    EXPECT_EQ(requestLine(requests.at(0)), "GET /S3704.3-zh/loader HTTP/1.1");
    EXPECT_EQ(bodyOf(requests.at(0)), QByteArray());
    EXPECT_EQ(requestLine(requests.at(1)), "POST /" + kToken + "/texttranslate HTTP/1.1");
    EXPECT_EQ(headerValue(requests.at(1), "Referer"), (service.base() + QStringLiteral("/translate.dyn")).toUtf8());
    const QByteArray body = bodyOf(requests.at(1));
    EXPECT_EQ(body.left(425), SessionBodyHead());
    EXPECT_EQ(body.mid(425), "a+b%26c+%E4%B8%AD&wl_srclang=ZH_CN&wl_trglang=EN&Submit=Translate&l_glossary=gl6");
}

TEST_F(EngineTest, WithoutASessionAddressWorldLingoPostsToTheTranslationPageAndCutsTheResultArea)
{
    // Further attributes after the name, and line ends of every kind inside the area.
    const QByteArray page = "<html>\n<form><textarea name=\"wl_result\" rows=\"10\" cols=\"60\" readonly>"
                            "first\nsecond\rthird\r\n\xE4\xB8\xAD</textarea></form>\n</html>";
    ScriptedService service([page](Connection& c, const QByteArray& request) {
        c.reply(200, request.startsWith("GET ") ? loaderPage(false) : page);
    });
    auto form = showFormFor(service.base());
    form->topicList->setCurrentIndex(kComputing);

    translate(*form, WorldLingo, Simplified, English, QStringLiteral("a 中"));
    EXPECT_EQ(form->resultText->toPlainText(), QStringLiteral("first\nsecond\nthird\n中"));
    EXPECT_EQ(form->resultText->document()->blockCount(), 4);
    EXPECT_TRUE(idle(*form));

    const QList<QByteArray> requests = service.requests();
    ASSERT_EQ(requests.size(), 2);
    EXPECT_EQ(requestLine(requests.at(1)), "POST /wl/translate/cn/translation HTTP/1.1");
    const QByteArray body = bodyOf(requests.at(1));
    EXPECT_EQ(body.left(315), PageBodyHead());
    // Every byte of the UTF-8 form as a percent group, letters and blanks included.
    EXPECT_EQ(body.mid(315), "%61%20%E4%B8%AD&wl_srcenc=utf-8&wl_gloss=gl6&wl_srclang=ZH_CN&wl_trglang=EN");
}

TEST_F(EngineTest, ARepliedPageWithoutItsResultIsReportedAndShowsNothing)
{
    // A cut from a fixed offset would show a piece of this markup.
    const QByteArray resultPage = "<html><body><p>The service is busy.</p><div></div></div></body></html>";
    ScriptedService service([resultPage](Connection& c, const QByteArray& request) {
        c.reply(200, request.startsWith("GET ") ? loaderPage(false) : resultPage);
    });
    auto form = showFormFor(service.base());
    QStringList shownWhileBoxUp;
    BoxAnswer answer([&] { shownWhileBoxUp.append(form->resultText->toPlainText()); });

    translate(*form, BabelFish, Simplified, English, QStringLiteral("你好"));
    EXPECT_TRUE(form->resultText->toPlainText().isEmpty());
    EXPECT_TRUE(idle(*form));
    // The first reply of a chain without its result starts no second request.
    translate(*form, BabelFish, Simplified, French, QStringLiteral("你好"));
    EXPECT_EQ(service.requestCount(), 2);
    translate(*form, WorldLingo, Simplified, English, QStringLiteral("你好"));
    EXPECT_EQ(service.requestCount(), 4);

    EXPECT_EQ(answer.texts, QStringList(3, kUnrecognisedReply));
    EXPECT_EQ(shownWhileBoxUp, QStringList(3, QString()));
    EXPECT_TRUE(form->resultText->toPlainText().isEmpty());
    EXPECT_TRUE(idle(*form));
}

TEST_F(EngineTest, ChineseScriptConversionSendsNothingWithEitherEngine)
{
    ScriptedService service([](Connection& c, const QByteArray&) { c.reply(200, babelFishPage("x")); });
    auto form = showFormFor(service.base());
    for (int engine : {WorldLingo, BabelFish}) {
        translate(*form, engine, Simplified, Traditional, QStringLiteral("国"));
        EXPECT_EQ(form->resultText->toPlainText(), QStringLiteral("國"));
        translate(*form, engine, Traditional, Simplified, QStringLiteral("國"));
        EXPECT_EQ(form->resultText->toPlainText(), QStringLiteral("国"));
    }
    EXPECT_EQ(service.requestCount(), 0);
    EXPECT_TRUE(idle(*form));
}
