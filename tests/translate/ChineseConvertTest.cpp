#include "translate/CharTables.h"
#include "translate/ChineseConvert.h"
#include "translate/Encoding.h"

#include <QList>
#include <QRandomGenerator>
#include <gtest/gtest.h>

namespace quillo {
namespace {

// The conversion as the lists were first used: GBK bytes scanned left to right, each double-byte
// character looked up in one column from the first row on and replaced by the other column.
class ListScan
{
public:
    ListScan()
    {
        for (int row = 0; row < CharTableRowCount(); ++row) {
            m_simplified.append(ToAnsi(QString(SimplifiedAt(row))));
            m_traditional.append(ToAnsi(QString(TraditionalAt(row))));
        }
    }

    QByteArray toTraditional(const QByteArray& gbk) const { return scan(gbk, m_simplified, m_traditional); }
    QByteArray toSimplified(const QByteArray& gbk) const { return scan(gbk, m_traditional, m_simplified); }

private:
    static QByteArray scan(const QByteArray& gbk, const QList<QByteArray>& from, const QList<QByteArray>& to)
    {
        QByteArray out;
        int pending = -1;
        for (char c : gbk) {
            const auto byte = uchar(c);
            if (byte < 0x80 && pending < 0) {
                out += c;
            } else if (pending >= 0) {
                const char bytes[2] = {char(pending), c};
                const QByteArray pair(bytes, 2);
                pending = -1;
                const qsizetype row = from.indexOf(pair);
                out += row >= 0 ? to[row] : pair;
            } else {
                pending = byte;
            }
        }
        return out;
    }

    QList<QByteArray> m_simplified;
    QList<QByteArray> m_traditional;
};

TEST(ChineseConvert, ExamplesOfBothDirections)
{
    EXPECT_EQ(SimplifiedToTraditional(QStringLiteral("开始翻译")), QStringLiteral("開始翻譯"));
    EXPECT_EQ(TraditionalToSimplified(QStringLiteral("開始翻譯")), QStringLiteral("开始翻译"));
    EXPECT_EQ(SimplifiedToTraditional(QStringLiteral("中国")), QStringLiteral("中國"));
    // Characters between 烹 and 厢 have no row.
    EXPECT_EQ(SimplifiedToTraditional(QStringLiteral("简体中文")), QStringLiteral("簡体中文"));
    EXPECT_EQ(SimplifiedToTraditional(QStringLiteral("电脑软件")), QStringLiteral("電腦软件"));
    // First matching row wins, and no result is converted again.
    EXPECT_EQ(TraditionalToSimplified(QStringLiteral("著")), QStringLiteral("著"));
    EXPECT_EQ(SimplifiedToTraditional(QStringLiteral("着")), QStringLiteral("著"));
    EXPECT_EQ(TraditionalToSimplified(QStringLiteral("叠")), QStringLiteral("迭"));
    EXPECT_EQ(SimplifiedToTraditional(QStringLiteral("迭")), QStringLiteral("叠"));
    EXPECT_EQ(SimplifiedToTraditional(QString()), QString());
}

TEST(ChineseConvert, TextOutsideTheTablePassesUnchanged)
{
    const QString mixed = QStringLiteral("Line 1: 体育, ＡＢＣ！\r\n\tx=42\n\r中");
    EXPECT_EQ(SimplifiedToTraditional(mixed), QStringLiteral("Line 1: 体育, ＡＢＣ！\r\n\tx=42\n\r中"));
    // Characters without a GBK form survive: emoji (a surrogate pair), CJK extension A and B,
    // other scripts.
    const QString foreign = QStringLiteral("😀㐀𠀀Привет עברית 国");
    EXPECT_EQ(SimplifiedToTraditional(foreign), QStringLiteral("😀㐀𠀀Привет עברית 國"));
    EXPECT_EQ(TraditionalToSimplified(QStringLiteral("😀國")), QStringLiteral("😀国"));
    const QString loneSurrogates = QString(QChar(0xD800)) + QChar(0xDC00) + QChar(u'东');
    EXPECT_EQ(SimplifiedToTraditional(loneSurrogates), QString(QChar(0xD800)) + QChar(0xDC00) + QChar(u'東'));
}

QString randomGbkText(QRandomGenerator& random, const QString& pool, int length)
{
    QString text;
    for (int i = 0; i < length; ++i)
        text += pool[random.bounded(int(pool.size()))];
    return text;
}

TEST(ChineseConvert, AgreesWithTheListScanOnRandomGbkText)
{
    // Table characters of both columns, neighbours from outside the table, double-byte
    // characters whose trail byte is ASCII, and ASCII with line breaks.
    QString pool = QStringLiteral("abcXYZ019 .,;\r\n\t体软网烹厢，。、“”ＡＢ");
    for (int row = 0; row < CharTableRowCount(); row += 3)
        pool += SimplifiedAt(row);
    for (int row = 1; row < CharTableRowCount(); row += 3)
        pool += TraditionalAt(row);
    pool += FromAnsi("\x81\x40\x81\x5B\x81\x5D\xFE\x4F\xA1\xA1\xAA\x40");
    ASSERT_FALSE(pool.contains(QChar(0xFFFD)));

    const ListScan reference;
    QRandomGenerator random(20240601);
    for (int round = 0; round < 400; ++round) {
        const QString text = randomGbkText(random, pool, 1 + random.bounded(60));
        const QByteArray gbk = ToAnsi(text);
        ASSERT_EQ(FromAnsi(gbk), text);
        EXPECT_EQ(SimplifiedToTraditional(text), FromAnsi(reference.toTraditional(gbk))) << qPrintable(text);
        EXPECT_EQ(TraditionalToSimplified(text), FromAnsi(reference.toSimplified(gbk))) << qPrintable(text);
    }
}

} // namespace
} // namespace quillo
