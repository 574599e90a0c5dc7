#include "translate/ReplyCuts.h"

#include <gtest/gtest.h>

namespace quillo {
namespace {

const QByteArray kResultStart = R"(<div id="result"><div style="padding:)";

TEST(ReplyCuts, TextAreaContentReadsAsABrowserShowsIt)
{
    const std::pair<QByteArray, QByteArray> cases[] = {
        {"a &amp; b &lt;/TEXTAREA&gt; &quot;c&quot; &apos;d&#39;", "a & b </TEXTAREA> \"c\" 'd'"},
        {"&#20320;&#x597D;&#X597d;", "\xE4\xBD\xA0\xE5\xA5\xBD\xE5\xA5\xBD"},
        {"&nbsp; &amp &#0; &#xD800; &#x110000; &#; &x; & ; &# 5;", "&nbsp; &amp &#0; &#xD800; &#x110000; &#; &x; & ; &# 5;"},
        {"&amp;lt; &&amp;;", "&lt; &&;"},
    };
    for (const auto& [text, shown] : cases)
        EXPECT_EQ(DecodeCharacterReferences(text), shown) << text.constData();
}

TEST(ReplyCuts, ReplyTextEndsEveryLineWithCrLf)
{
    EXPECT_EQ(ReplyText("a\nb\rc\r\nd"), "a\r\nb\r\nc\r\nd\r\n");
    EXPECT_EQ(ReplyText("one line"), "one line\r\n");
    EXPECT_EQ(ReplyText("ends\n"), "ends\r\n");
    EXPECT_EQ(ReplyText("a\n\nb\r\r\n"), "a\r\n\r\nb\r\n\r\n");
    EXPECT_EQ(ReplyText("\n"), "\r\n");
    EXPECT_EQ(ReplyText(QByteArray()), QByteArray());
    EXPECT_EQ(ReplyText(QByteArray("a\0b", 3)), QByteArray("a\0b\r\n", 5));
}

TEST(ReplyCuts, BabelFishResultBetweenItsMarkers)
{
    const QByteArray page = "<html>" + kResultStart + "0.6em;\">Hello world</div></div><p>x</div></div>";
    EXPECT_EQ(ExtractBabelFishResult(page), QByteArray("Hello world"));
    // Character references are left as the service sent them.
    EXPECT_EQ(ExtractBabelFishResult(kResultStart + "0.6em;\">it&#39;s</div></div>"), QByteArray("it&#39;s"));
    // A line break inside the block survives as CR LF of the reply text.
    EXPECT_EQ(ExtractBabelFishResult(ReplyText(kResultStart + "0.6em;\">a\nb</div></div>")), QByteArray("a\r\nb"));

    // Missing end marker, or the block cut short: an empty piece.
    EXPECT_EQ(ExtractBabelFishResult(kResultStart + "0.6em;\">Hello"), QByteArray());
    EXPECT_EQ(ExtractBabelFishResult(kResultStart + "10px"), QByteArray());
    EXPECT_EQ(ExtractBabelFishResult(kResultStart + "0.6em;\"></div></div>"), QByteArray());
    // An end marker that begins inside the eight skipped bytes does not count.
    EXPECT_EQ(ExtractBabelFishResult(kResultStart + "1234</div></div>"), QByteArray());
    // No start marker: an error page, not a result.
    EXPECT_EQ(ExtractBabelFishResult("<html>Service unavailable</div></div>"), std::nullopt);
    EXPECT_EQ(ExtractBabelFishResult(QByteArray()), std::nullopt);
}

TEST(ReplyCuts, WorldLingoResultIsTheTextAreaContent)
{
    const QByteArray page = R"(<form><textarea name="wl_result" rows="9" cols="40">)"
                            "\xE4\xBD\xA0\xE5\xA5\xBD</textarea></form>";
    EXPECT_EQ(ExtractWorldLingoResult(page), QByteArray("\xE4\xBD\xA0\xE5\xA5\xBD"));
    EXPECT_EQ(ExtractWorldLingoResult(R"(<textarea name="wl_result">)" "</textarea>"), QByteArray());
    EXPECT_EQ(ExtractWorldLingoResult(R"(<textarea name="wl_result">abc)"), QByteArray());
    EXPECT_EQ(ExtractWorldLingoResult(R"(<textarea name="wl_result")"), QByteArray());
    // The '>' that ends the tag is the first one after the marker, not the first of the page.
    EXPECT_EQ(ExtractWorldLingoResult(R"(<b>x</b><textarea name="wl_result" a=1>y</textarea>)"), QByteArray("y"));
    EXPECT_EQ(ExtractWorldLingoResult("<b>x</b><textarea>y</textarea>"), std::nullopt);
}

TEST(ReplyCuts, SessionPrefixFromRootAddressToObject)
{
    const QByteArray root = "http://www.example.test/";
    const QByteArray token(33, 'T');
    const QByteArray page = "<script src=\"" + root + token + "/object?wl_x=1\"></script>";
    EXPECT_EQ(ExtractSessionPrefix(page, root), root + token + "/");
    EXPECT_EQ(ExtractSessionPrefix(ReplyText(page), root), root + token + "/");
    EXPECT_EQ(ExtractSessionPrefix("<a href=\"" + root + token + "/loader\">", root), QByteArray());
    EXPECT_EQ(ExtractSessionPrefix("/object " + root + token, root), QByteArray());
    EXPECT_EQ(ExtractSessionPrefix("http://elsewhere.test/x/object", root), QByteArray());
    EXPECT_EQ(ExtractSessionPrefix(page, QByteArray()), QByteArray());
    // "/object" right after the address: the prefix is the address without its slash, plus it.
    EXPECT_EQ(ExtractSessionPrefix("http://www.example.test/object", "http://www.example.test"),
              QByteArray("http://www.example.test/"));
}

TEST(ReplyCuts, PageIdEndsWithTheBackslashOfTheEndMarker)
{
    EXPECT_EQ(ExtractPageId(R"(var a="<x wl_id=\"AB12\">";)"), QByteArray(R"(AB12\)"));
    EXPECT_EQ(ExtractPageId(ReplyText("x\nwl_id=\\\"S3739.5/abc\\\">\n")), QByteArray(R"(S3739.5/abc\)"));
    EXPECT_EQ(ExtractPageId(R"(wl_id=\"\">)"), QByteArray(R"(\)"));
    EXPECT_EQ(ExtractPageId(R"(wl_id=\"AB12)"), QByteArray());
    EXPECT_EQ(ExtractPageId(R"(\"> wl_id=\"AB12)"), QByteArray());
    EXPECT_EQ(ExtractPageId(R"(wl_id="AB12\">)"), QByteArray());
    // The end marker is looked for from the start marker on, so one that overlaps it gives nothing.
    EXPECT_EQ(ExtractPageId(R"(wl_id=\">x\">)"), QByteArray());
}

TEST(ReplyCuts, UrlParameterOverGb18030Bytes)
{
    EXPECT_EQ(EncodeUrlParam(QStringLiteral("a b/c:d")), "a+b%2Fc%3Ad");
    EXPECT_EQ(EncodeUrlParam(QStringLiteral("http://x.cn/中文?q=1&r")),
              "http%3A%2F%2Fx%2Ecn%2F%D6%D0%CE%C4%3Fq%3D1%26r");
    EXPECT_EQ(EncodeUrlParam(QStringLiteral("-_.~")), "%2D%5F%2E%7E");
    // Beyond code page 936: GB18030 four-byte forms, never "?".
    EXPECT_EQ(EncodeUrlParam(QStringLiteral("😀")), "%949%FC6");
}

} // namespace
} // namespace quillo
