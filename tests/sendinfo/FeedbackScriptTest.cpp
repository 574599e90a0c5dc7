#include "core/CodePage.h"
#include "sendinfo/FeedbackScript.h"
#include "sendinfo/InstallationId.h"
#include "translate/Encoding.h"

#include <gtest/gtest.h>

using namespace quillo;

namespace {

const QDateTime kJune12 = QDateTime(QDate(2006, 6, 12), QTime(10, 30));

QByteArray body(const QString& title, const QString& contact, const QString& text)
{
    return FeedbackBody({title, contact, text}, kJune12, "ID7");
}

// The value of one field of a body ("title", ...), from after its "=" to the next "&".
QByteArray field(const QByteArray& form, const QByteArray& name)
{
    const QByteArray key = '&' + name + '=';
    const qsizetype start = form.indexOf(key);
    if (start < 0)
        return "<missing>";
    const qsizetype from = start + key.size();
    const qsizetype end = form.indexOf('&', from);
    return form.mid(from, end < 0 ? -1 : end - from);
}

} // namespace

TEST(FeedbackBody, HoldsTheFourteenPiecesInOrderInCodePage936)
{
    const QByteArray sender = "Quillo_\xD7\xA2\xB2\xE1\xD3\xC3\xBB\xA7_16"; // 注册用户 in GBK
    EXPECT_EQ(body(QStringLiteral("a b"), QStringLiteral("x y"), QStringLiteral("1 2")),
              "user=m4rvo&name=" + sender
                  + "&email=xy&title=a+b&text=1%26nbsp%3B2&image=on&home=ID7"
                    "&time=2006%2D06%2D12%26nbsp%3B10%3A30");
}

TEST(FeedbackBody, EscapesEachFieldTheWayTheScriptReadsIt)
{
    // Every blank of the contact goes, wherever it stands; an empty contact is sent empty.
    EXPECT_EQ(field(body(QStringLiteral("t"), QStringLiteral(" a b  c@d.e "), QStringLiteral("m")), "email"),
              "abc%40d%2Ee");
    EXPECT_EQ(field(body(QStringLiteral("t"), QString(), QStringLiteral("m")), "email"), "");
    // A subject of blanks is not empty: it goes as plus signs. Chinese goes as its GBK bytes.
    EXPECT_EQ(field(body(QStringLiteral("   "), {}, QStringLiteral("m")), "title"), "+++");
    EXPECT_EQ(field(body(QStringLiteral("中文-1"), {}, QStringLiteral("m")), "title"), "%D6%D0%CE%C4%2D1");

    // Whatever the line breaks of the memo, each arrives as <br> followed by the LF.
    const QByteArray twoLines = "a%3Cbr%3E%0Ab";
    EXPECT_EQ(field(body(QStringLiteral("t"), {}, QStringLiteral("a\nb")), "text"), twoLines);
    EXPECT_EQ(field(body(QStringLiteral("t"), {}, QStringLiteral("a\r\nb")), "text"), twoLines);
    EXPECT_EQ(field(body(QStringLiteral("t"), {}, QStringLiteral("a\rb")), "text"), twoLines);
    EXPECT_EQ(field(body(QStringLiteral("t"), {}, QStringLiteral("\n\n")), "text"), "%3Cbr%3E%0A%3Cbr%3E%0A");
    // Blanks inside Chinese text; characters code page 936 cannot hold go as GB18030, never "?".
    EXPECT_EQ(field(body(QStringLiteral("t"), {}, QStringLiteral("中 文")), "text"), "%D6%D0%26nbsp%3B%CE%C4");
    EXPECT_EQ(field(body(QStringLiteral("t"), {}, QStringLiteral("😀")), "text"), "%949%FC6");
    EXPECT_EQ(field(body(QStringLiteral("한"), {}, QStringLiteral("m")), "title"), "%836%843");

    // The time is on the 24-hour clock, its minutes without seconds.
    const QByteArray late = FeedbackBody({QStringLiteral("t"), {}, QStringLiteral("m")},
                                         QDateTime(QDate(1999, 12, 31), QTime(23, 5, 59)), "ID7");
    EXPECT_TRUE(late.endsWith("&time=1999%2D12%2D31%26nbsp%3B23%3A05")) << late.constData();
}

TEST(FeedbackReply, IsAcceptedOnlyWhenOneWholeLineSaysSo)
{
    const QByteArray line = ToAnsi(QStringLiteral("留言成功"));
    EXPECT_TRUE(IsAcceptedReply(line));
    EXPECT_TRUE(IsAcceptedReply("<html>\r\n" + line + "\r\n</html>"));
    EXPECT_TRUE(IsAcceptedReply("<html>\n" + line + "\n</html>"));
    EXPECT_TRUE(IsAcceptedReply("<html>\r" + line + "\r</html>"));

    EXPECT_FALSE(IsAcceptedReply({}));
    EXPECT_FALSE(IsAcceptedReply("<p>" + line + "</p>"));
    EXPECT_FALSE(IsAcceptedReply(" " + line));
    EXPECT_FALSE(IsAcceptedReply(line + " \r\n"));
    // The script answers in code page 936: the same words in UTF-8 are not its answer.
    EXPECT_FALSE(IsAcceptedReply(QStringLiteral("留言成功").toUtf8()));
}

TEST(InstallationId, IsStableAndTravelsUnencoded)
{
    const QByteArray id = InstallationId();
    EXPECT_EQ(id.size(), 16);
    EXPECT_EQ(FormEncode(id), id) << "only letters and digits";
    EXPECT_EQ(InstallationId(), id);
}
