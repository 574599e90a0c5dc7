#include "translate/Encoding.h"

#include "core/CodePage.h"

#include <QRandomGenerator>
#include <gtest/gtest.h>

namespace quillo {
namespace {

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out += char(v);
    return out;
}

QString units(std::initializer_list<char16_t> values)
{
    QString out;
    for (char16_t v : values)
        out += QChar(v);
    return out;
}

TEST(Encoding, FormAndPercentEscaping)
{
    EXPECT_EQ(FormEncode("x y&z"), "x+y%26z");
    EXPECT_EQ(FormEncode("x-y_z.1"), "x%2Dy%5Fz%2E1");
    EXPECT_EQ(FormEncode(bytes({0xE4, 0xB8, 0xAD})), "%E4%B8%AD");
    EXPECT_EQ(FormEncode("a\r\nb*"), "a%0D%0Ab%2A");
    EXPECT_EQ(FormEncode(bytes({0x00, 0x7F, 0xFF})), "%00%7F%FF");
    EXPECT_EQ(FormEncode("AZaz09"), "AZaz09");
    EXPECT_EQ(FormEncode(QByteArray()), QByteArray());

    EXPECT_EQ(PercentEncodeBytes("ab"), "%61%62");
    EXPECT_EQ(PercentEncodeBytes(" "), "%20");
    EXPECT_EQ(PercentEncodeBytes(bytes({0x00, 0x0A, 0xD6, 0xD0})), "%00%0A%D6%D0");
}

TEST(Encoding, Utf8EncodingOfWholeCharacters)
{
    EXPECT_EQ(Utf8Encode(units({0x00E9})), bytes({0xC3, 0xA9}));
    EXPECT_EQ(Utf8Encode(units({0x4E2D})), bytes({0xE4, 0xB8, 0xAD}));
    EXPECT_EQ(Utf8Encode(QString()), QByteArray());
    // A character outside the BMP is one four-byte sequence, not two surrogate encodings.
    EXPECT_EQ(Utf8Encode(QStringLiteral("😀")), bytes({0xF0, 0x9F, 0x98, 0x80}));
    EXPECT_EQ(Utf8Encode(QStringLiteral("𠀀")), bytes({0xF0, 0xA0, 0x80, 0x80}));
    // Lone surrogates, wherever they stand, become U+FFFD.
    const QByteArray fffd = bytes({0xEF, 0xBF, 0xBD});
    EXPECT_EQ(Utf8Encode(units({0xD83D})), fffd);
    EXPECT_EQ(Utf8Encode(units({0xDE00, u'a'})), fffd + "a");
    EXPECT_EQ(Utf8Encode(units({0xD83D, u'a', 0xD83D, 0xD83D, 0xDE00})),
              fffd + "a" + fffd + bytes({0xF0, 0x9F, 0x98, 0x80}));
}

TEST(Encoding, Utf8DecodingByTheLeadByte)
{
    EXPECT_EQ(Utf8Decode(bytes({0xC3, 0xA9})), units({0x00E9}));
    EXPECT_EQ(Utf8Decode(bytes({0xE4, 0xB8, 0xAD})), units({0x4E2D}));
    EXPECT_EQ(Utf8Decode(bytes({0xF0, 0x9F, 0x98, 0x80})), QStringLiteral("😀"));
    // The surrogate encodings older senders produce join back into the pair.
    EXPECT_EQ(Utf8Decode(bytes({0xED, 0xA0, 0xBD, 0xED, 0xB8, 0x80})), QStringLiteral("😀"));
    // Values beyond U+10FFFF do not fit.
    EXPECT_EQ(Utf8Decode(bytes({0xF4, 0x90, 0x80, 0x80, 'x'})), units({0xFFFD, u'x'}));
    EXPECT_EQ(Utf8Decode(bytes({0xFC, 0x84, 0x80, 0x80, 0x80, 0x80})), units({0xFFFD}));
    // Trail bytes are taken unchecked: Latin-1 text comes out as wrong characters, not an error.
    // 0xE9 'a' 'b' -> (0xE9 << 12) + ('a' << 6) + 'b' - 0xE2080
    EXPECT_EQ(Utf8Decode(bytes({0xE9, 'a', 'b', 'c'})), units({char16_t(0xE9000 + 0x1840 + 0x62 - 0xE2080), u'c'}));
    // A stray trail byte counts as a one-byte character of its own value.
    EXPECT_EQ(Utf8Decode(bytes({0x80, 'a'})), units({0x0080, u'a'}));
    EXPECT_EQ(Utf8Decode(QByteArray()), QString());
}

TEST(Encoding, Utf8DecodingNeverReadsPastTheEnd)
{
    EXPECT_EQ(Utf8Decode(bytes({'a', 0xE4, 0xB8})), units({u'a', 0xFFFD}));
    EXPECT_EQ(Utf8Decode(bytes({0xC3})), units({0xFFFD}));
    EXPECT_EQ(Utf8Decode(bytes({0xF0, 0x9F, 0x98})), units({0xFFFD}));
    EXPECT_EQ(Utf8Decode(bytes({0xFD, 1, 2, 3, 4})), units({0xFFFD}));
    // Exact end: nothing is left over.
    EXPECT_EQ(Utf8Decode(bytes({0xE4, 0xB8, 0xAD, 0xC3, 0xA9})), units({0x4E2D, 0x00E9}));
}

TEST(Encoding, Utf8AgreesWithQtOnWellFormedText)
{
    QRandomGenerator random(7);
    for (int round = 0; round < 300; ++round) {
        QString text;
        const int length = random.bounded(40);
        for (int i = 0; i < length; ++i) {
            char32_t cp = random.bounded(0x110000);
            if (cp >= 0xD800 && cp <= 0xDFFF)
                cp = 'x';
            text += QString::fromUcs4(&cp, 1);
        }
        const QByteArray utf8 = Utf8Encode(text);
        ASSERT_EQ(utf8, text.toUtf8());
        ASSERT_EQ(Utf8Decode(utf8), text);
    }
}

TEST(Encoding, AnsiCodePage936)
{
    EXPECT_EQ(ToAnsi(QStringLiteral("a中")), bytes({'a', 0xD6, 0xD0}));
    EXPECT_EQ(FromAnsi(bytes({'a', 0xD6, 0xD0})), QStringLiteral("a中"));
    // Characters without a GBK form become '?', one per character.
    EXPECT_EQ(ToAnsi(QStringLiteral("x😀㐀y")), "x??y");
    EXPECT_EQ(ToAnsi(units({0xD800, u'z'})), "?z");
    // A lead byte at the very end is shown, not dropped.
    EXPECT_EQ(FromAnsi(bytes({'a', 0xD6})), units({u'a', 0xFFFD}));
    EXPECT_EQ(FromAnsi(QByteArray()), QString());
    // ASCII text, control characters included, comes out unchanged.
    EXPECT_EQ(FromAnsi(bytes({'k', '=', '\t', 0x01, 0x7F})), units({u'k', u'=', u'\t', 0x01, 0x7F}));
}

} // namespace
} // namespace quillo
