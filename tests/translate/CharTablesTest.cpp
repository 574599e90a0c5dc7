#include "translate/CharTables.h"

#include "core/CodePage.h"

#include <QSet>
#include <gtest/gtest.h>

namespace quillo {
namespace {

int gbkCode(QChar c)
{
    const QByteArray bytes = ToAnsi(QString(c));
    EXPECT_EQ(bytes.size(), 2) << "not a double-byte character: U+" << std::hex << int(c.unicode());
    return bytes.size() == 2 ? (uchar(bytes[0]) << 8 | uchar(bytes[1])) : 0;
}

int rowOf(QChar simplified)
{
    for (int row = 0; row < CharTableRowCount(); ++row) {
        if (SimplifiedAt(row) == simplified)
            return row;
    }
    return -1;
}

TEST(CharTables, RowCountsAndNamedRows)
{
    ASSERT_EQ(CharTableRowCount(), 2824);
    int identical = 0;
    for (int row = 0; row < CharTableRowCount(); ++row)
        identical += SimplifiedAt(row) == TraditionalAt(row);
    EXPECT_EQ(identical, 1820);
    EXPECT_EQ(CharTableRowCount() - identical, 1004);

    const QString firstTen = QStringLiteral("啊阿埃挨哎唉哀皑癌蔼");
    for (int row = 0; row < firstTen.size(); ++row)
        EXPECT_EQ(SimplifiedAt(row), firstTen[row]) << "row " << row;
    EXPECT_EQ(SimplifiedAt(CharTableRowCount() - 1), QChar(u'座'));
    EXPECT_EQ(TraditionalAt(0), QChar(u'啊'));
    EXPECT_EQ(TraditionalAt(7), QChar(u'皚'));

    EXPECT_TRUE(SimplifiedAt(-1).isNull());
    EXPECT_TRUE(TraditionalAt(CharTableRowCount()).isNull());
}

TEST(CharTables, ColumnsHoldTheirCharactersOnceExceptZhu)
{
    QSet<QChar> simplified;
    QHash<QChar, QList<int>> traditionalRows;
    for (int row = 0; row < CharTableRowCount(); ++row) {
        EXPECT_FALSE(simplified.contains(SimplifiedAt(row))) << "row " << row;
        simplified.insert(SimplifiedAt(row));
        traditionalRows[TraditionalAt(row)].append(row);
    }
    for (auto it = traditionalRows.cbegin(); it != traditionalRows.cend(); ++it) {
        if (it.key() != QChar(u'著')) {
            EXPECT_EQ(it.value().size(), 1) << "U+" << std::hex << int(it.key().unicode());
        }
    }
    const QList<int> zhu = traditionalRows.value(QChar(u'著'));
    ASSERT_EQ(zhu.size(), 2);
    EXPECT_EQ(SimplifiedAt(zhu[0]), QChar(u'著'));
    EXPECT_EQ(SimplifiedAt(zhu[1]), QChar(u'着'));

    // The one chain of the table: 迭 -> 叠 -> 疊.
    EXPECT_EQ(TraditionalAt(rowOf(u'迭')), QChar(u'叠'));
    EXPECT_EQ(TraditionalAt(rowOf(u'叠')), QChar(u'疊'));
}

TEST(CharTables, RowsFollowLevelOneCodeOrderWithTheMovedStretch)
{
    int previous = 0;
    int descents = 0;
    for (int row = 0; row < CharTableRowCount(); ++row) {
        const int code = gbkCode(SimplifiedAt(row));
        EXPECT_TRUE(code >= 0xB0A1 && code <= 0xD7F9) << "row " << row;
        EXPECT_FALSE(code >= 0xC5EB && code <= 0xCFE1) << "row " << row;
        if (code < previous) {
            ++descents;
            EXPECT_EQ(previous, 0xBEF4);
            EXPECT_EQ(code, 0xBDDB);
        }
        previous = code;
    }
    EXPECT_EQ(descents, 1);
    EXPECT_EQ(rowOf(u'茎') + 80, rowOf(u'桔'));
    EXPECT_EQ(rowOf(u'桔') + 40, rowOf(QChar(FromAnsi("\xBE\xF5")[0])));
}

} // namespace
} // namespace quillo
