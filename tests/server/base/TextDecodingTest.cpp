// Reading what clients send: form fields with unescaped text, escapes, UTF-8 and GBK.

#include "ServerFixture.h"

#include "core/CodePage.h"
#include "server/base/FormBody.h"
#include "server/base/TextCodec.h"
#include "translate/Encoding.h"

#include <QString>

using namespace quillo;
using namespace quillo::server;
using namespace quillo::server::testing;

TEST(FormBodyTest, UnescapedTextRunsToTheLastFollowingField)
{
    // The program's bodies carry the text unescaped: "&", "=" and even the next field's name
    // inside the text must stay in it.
    const std::string body =
        "Cookie:%20__utma=1.2;%20he=abc....wl_url=x&wl_text=a & b=c&wl_srclang=ZH&wl_srclang=EN"
        "&wl_trglang=FR&Submit=Translate&l_glossary=gl6";
    const FormBody form = FormBody::parseWithText(body, "wl_text", "wl_srclang");
    EXPECT_EQ(form.raw("wl_text"), "a & b=c&wl_srclang=ZH");
    EXPECT_EQ(form.raw("wl_srclang"), "EN");
    EXPECT_EQ(form.raw("wl_trglang"), "FR");
    EXPECT_EQ(form.raw("l_glossary"), "gl6");
    EXPECT_EQ(form.raw("Cookie:%20__utma"), "1.2;%20he=abc....wl_url=x"); // the cookie head is one field

    // The text field first in the body, and fields in another order than the program's.
    const FormBody first = FormBody::parseWithText("trtext=x&y&lp=en_fr", "trtext", "lp");
    EXPECT_EQ(first.raw("trtext"), "x&y");
    EXPECT_EQ(first.raw("lp"), "en_fr");
    const FormBody reordered = FormBody::parseWithText("lp=en_fr&trtext=hello", "trtext", "lp");
    EXPECT_EQ(reordered.raw("trtext"), "hello");
    EXPECT_EQ(reordered.raw("lp"), "en_fr");

    // A name that only ends like the field is not the field; missing fields are absent.
    const FormBody lookalike = FormBody::parse("xtrtext=1&trtext=2&flag");
    EXPECT_EQ(lookalike.raw("trtext"), "2");
    EXPECT_EQ(lookalike.raw("flag"), "");
    EXPECT_FALSE(lookalike.raw("lp").has_value());
}

TEST(TextCodecTest, FormValuesAreDecodedOnlyWhenTheyLookEncoded)
{
    // What the program's FormEncode makes of UTF-8 text comes back exactly.
    const QString typed = QStringLiteral("Hello, 世界 + 100% & more\r\n");
    const QByteArray encoded = FormEncode(Utf8Encode(typed));
    EXPECT_TRUE(LooksFormEncoded(str(encoded)));
    EXPECT_EQ(DecodeFormValue(str(encoded)), str(Utf8Encode(typed)));

    // Unescaped text with characters no encoder emits is taken as it stands.
    EXPECT_EQ(DecodeFormValue("a b+c"), "a b+c");
    EXPECT_EQ(DecodeFormValue("[en] 50%"), "[en] 50%");
    // Looks encoded but a broken escape: malformed.
    EXPECT_FALSE(DecodeFormValue("abc%4").has_value());
    EXPECT_FALSE(DecodeFormValue("abc%G0").has_value());
    EXPECT_FALSE(PercentDecode("%", false).has_value());
    EXPECT_EQ(PercentDecode("a+b%2B", false), "a+b+");
    EXPECT_EQ(PercentDecode("a+b%2B", true), "a b+");
}

TEST(TextCodecTest, BytesAreUtf8WhenValidElseGbkElseRefused)
{
    const QString chinese = QStringLiteral("你好，世界");
    EXPECT_EQ(Utf8OrGbkToUtf8(str(Utf8Encode(chinese))), chinese.toStdString());
    EXPECT_EQ(Utf8OrGbkToUtf8(str(ToAnsi(chinese))), chinese.toStdString());
    EXPECT_EQ(GbkToUtf8(str(ToAnsi(chinese))), chinese.toStdString());
    // A lone GBK lead byte at the end, and a byte GBK never uses as a lead.
    EXPECT_FALSE(Utf8OrGbkToUtf8("abc\xC4").has_value());
    EXPECT_FALSE(GbkToUtf8("\x81\x20").has_value());
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80")); // an encoded surrogate
    EXPECT_FALSE(IsValidUtf8("\xC0\x80"));     // overlong
    EXPECT_TRUE(IsValidUtf8(""));

    EXPECT_EQ(Utf8ToGbk("中文"), str(ToAnsi(QStringLiteral("中文"))));
    EXPECT_FALSE(Utf8ToGbk("\xF0\x9F\x98\x80").has_value()); // an emoji has no GBK form
}

TEST(TextCodecTest, Gb18030ReadsEveryCharacterAndOldGbkClientsAlike)
{
    const struct {
        const char* name;
        std::string bytes;
        std::optional<std::string> text;
    } cases[] = {
        {"beyond GBK", str(ToGb18030(QStringLiteral("한국어 제목 😀 Привет ñ ß €"))), "한국어 제목 😀 Привет ñ ß €"},
        {"GBK's characters", str(ToAnsi(QStringLiteral("你好，世界"))), "你好，世界"},
        {"GBK's euro sign", "\x80", "€"},
        {"a lone lead byte", "abc\xC4", std::nullopt},
        {"a four-byte form cut short", "\x94\x39\xFC", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Gb18030ToUtf8(c.bytes), c.text);
        EXPECT_EQ(Utf8OrGb18030ToUtf8(c.bytes), c.text);
    }
    EXPECT_EQ(Utf8OrGb18030ToUtf8("Привет 😀"), "Привет 😀");
}

TEST(TextCodecTest, MarkersInsideATranslationCannotEndTheBlockEarly)
{
    EXPECT_EQ(DefuseMarker("a</textarea>b</textarea>", "</textarea>"),
              "a&lt;/textarea>b&lt;/textarea>");
    EXPECT_EQ(DefuseMarker("no marker <here>", "</div></div>"), "no marker <here>");
    EXPECT_EQ(HtmlEscape("<a href=\"x\">&</a>"), "&lt;a href=&quot;x&quot;&gt;&amp;&lt;/a&gt;");
}
