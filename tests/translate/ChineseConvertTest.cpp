#include "core/CodePage.h"
#include "translate/CharTables.h"
#include "translate/ChineseConvert.h"
#include "translate/OpenCC.h"

#include <QList>
#include <QRandomGenerator>
#include <gtest/gtest.h>

#include <dlfcn.h>

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

// Declared first: the other tests convert, and OpenCC stays loaded once they have.
TEST(ChineseConvert, OpenCCIsOpenedByTheFirstConversionNotBefore)
{
    const auto loaded = [] {
        void* handle = dlopen(QUILLO_LIBOPENCC_NAME, RTLD_NOW | RTLD_NOLOAD);
        if (handle)
            dlclose(handle);
        return handle != nullptr;
    };
    EXPECT_FALSE(loaded());
    EXPECT_EQ(SimplifiedToTraditional(QStringLiteral("中国")), QStringLiteral("中國"));
    EXPECT_TRUE(loaded());
    EXPECT_TRUE(OpenCCUnavailableReason(ScriptDirection::SimplifiedToTraditional).isEmpty());
}

TEST(ChineseConvert, PhrasesConvertWholeInBothDirections)
{
    const std::pair<QString, QString> pairs[] = {
        {QStringLiteral("简体 测试 头发 皇后 干燥 说话 软件"), QStringLiteral("簡體 測試 頭髮 皇后 乾燥 說話 軟件")},
        {QStringLiteral("开始翻译\r\n中国"), QStringLiteral("開始翻譯\r\n中國")},
        {QStringLiteral("以后 电脑软件"), QStringLiteral("以後 電腦軟件")},
        {QString(), QString()},
    };
    for (const auto& [simplified, traditional] : pairs) {
        EXPECT_EQ(SimplifiedToTraditional(simplified), traditional) << qPrintable(simplified);
        EXPECT_EQ(TraditionalToSimplified(traditional), simplified) << qPrintable(traditional);
    }
    EXPECT_EQ(TraditionalToSimplified(QStringLiteral("疊 頭髮 說 軟體 網絡 臺灣 裡")),
              QStringLiteral("叠 头发 说 软体 网络 台湾 里"));
    // Characters that are already of the target script stay.
    EXPECT_EQ(TraditionalToSimplified(QStringLiteral("叠著")), QStringLiteral("叠著"));
}

TEST(ChineseConvert, TextOutsideChinesePassesUnchanged)
{
    // ASCII, line breaks, full-width forms and punctuation, other scripts, emoji (a surrogate
    // pair), and lone surrogates, which UTF-8 cannot carry.
    const QString around = QStringLiteral("Line 1: ＡＢＣ！“”「」\r\n\tx=42\n\r 😀 Привет עברית ");
    const QString lone = QString(QChar(0xD800)) + QChar(0xDC00) + QChar(0xDFFF);
    for (const QString& other : {around, lone}) {
        EXPECT_EQ(SimplifiedToTraditional(other + QStringLiteral("体育") + other),
                  other + QStringLiteral("體育") + other);
        EXPECT_EQ(TraditionalToSimplified(other + QStringLiteral("體育") + other),
                  other + QStringLiteral("体育") + other);
    }
}

TEST(ChineseConvert, TheTablesConvertCharacterByCharacter)
{
    EXPECT_EQ(SimplifiedToTraditionalByTable(QStringLiteral("开始翻译")), QStringLiteral("開始翻譯"));
    EXPECT_EQ(TraditionalToSimplifiedByTable(QStringLiteral("開始翻譯")), QStringLiteral("开始翻译"));
    // Characters between 烹 and 厢 have no row.
    EXPECT_EQ(SimplifiedToTraditionalByTable(QStringLiteral("简体中文")), QStringLiteral("簡体中文"));
    // First matching row wins, and no result is converted again.
    EXPECT_EQ(TraditionalToSimplifiedByTable(QStringLiteral("著")), QStringLiteral("著"));
    EXPECT_EQ(SimplifiedToTraditionalByTable(QStringLiteral("着")), QStringLiteral("著"));
    EXPECT_EQ(TraditionalToSimplifiedByTable(QStringLiteral("叠")), QStringLiteral("迭"));
    EXPECT_EQ(SimplifiedToTraditionalByTable(QStringLiteral("迭")), QStringLiteral("叠"));
    const QString foreign = QStringLiteral("😀㐀𠀀Привет\r\n") + QChar(0xD800) + QStringLiteral("国");
    EXPECT_EQ(SimplifiedToTraditionalByTable(foreign), QStringLiteral("😀㐀𠀀Привет\r\n") + QChar(0xD800) + QStringLiteral("國"));
}

QString randomGbkText(QRandomGenerator& random, const QString& pool, int length)
{
    QString text;
    for (int i = 0; i < length; ++i)
        text += pool[random.bounded(int(pool.size()))];
    return text;
}

TEST(ChineseConvert, TheTablesAgreeWithTheListScanOnRandomGbkText)
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
        EXPECT_EQ(SimplifiedToTraditionalByTable(text), FromAnsi(reference.toTraditional(gbk))) << qPrintable(text);
        EXPECT_EQ(TraditionalToSimplifiedByTable(text), FromAnsi(reference.toSimplified(gbk))) << qPrintable(text);
    }
}

} // namespace
} // namespace quillo
