#include "history/HistoryStore.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace quillo {
namespace {

HistoryEntry Entry(const QString& source, const QString& result, const QString& engine = QStringLiteral("apertium"))
{
    HistoryEntry entry;
    entry.time = QDateTime(QDate(2026, 3, 1), QTime(9, 30), Qt::UTC);
    entry.source = 2;
    entry.target = 0;
    entry.engine = engine;
    entry.sourceText = source;
    entry.result = result;
    return entry;
}

QStringList Sources(const QList<HistoryEntry>& entries)
{
    QStringList sources;
    for (const HistoryEntry& entry : entries)
        sources << entry.sourceText;
    return sources;
}

class HistoryStoreTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("nested/folder/history.sqlite3"));
};

TEST_F(HistoryStoreTest, StoresEveryFieldAndKeepsItAcrossReopening)
{
    {
        HistoryStore store(path);
        ASSERT_TRUE(store.isOpen());
        EXPECT_TRUE(store.add(Entry(QStringLiteral("Good morning"), QStringLiteral("早上好"))));
        EXPECT_TRUE(store.add(Entry(QStringLiteral("Good night"), QStringLiteral("晚安"), QStringLiteral("local"))));
    }
    HistoryStore store(path);
    ASSERT_EQ(store.count(), 2);
    const QList<HistoryEntry> entries = store.search({});
    ASSERT_EQ(entries.size(), 2);
    EXPECT_EQ(entries[0].sourceText, QStringLiteral("Good night"));  // newest first
    EXPECT_EQ(entries[0].engine, QStringLiteral("local"));
    EXPECT_EQ(entries[1].result, QStringLiteral("早上好"));
    EXPECT_EQ(entries[1].time, QDateTime(QDate(2026, 3, 1), QTime(9, 30), Qt::UTC));
    EXPECT_EQ(entries[1].source, 2);
    EXPECT_EQ(entries[1].target, 0);
    EXPECT_GT(entries[0].id, entries[1].id);
}

TEST_F(HistoryStoreTest, SearchesSourceAndResultCaseInsensitivelyWithQuotesAndWildcardsTakenLiterally)
{
    HistoryStore store(path);
    for (const auto& [source, result] : {std::pair{"Привет, мир", "你好，世界"}, std::pair{"100% sure", "百分之百"},
                                         std::pair{"it's_done'; DROP TABLE history; --", "完成"},
                                         std::pair{"Straße", "街道"}})
        ASSERT_TRUE(store.add(Entry(QString::fromUtf8(source), QString::fromUtf8(result))));

    const struct
    {
        const char* needle;
        QStringList found;
    } cases[] = {
        {"ПРИВЕТ", {QStringLiteral("Привет, мир")}},
        {"世界", {QStringLiteral("Привет, мир")}},
        {"%", {QStringLiteral("100% sure")}},
        {"_", {QStringLiteral("it's_done'; DROP TABLE history; --")}},
        {"'; DROP", {QStringLiteral("it's_done'; DROP TABLE history; --")}},
        {"straße", {QStringLiteral("Straße")}},
        {"nowhere", {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Sources(store.search(QString::fromUtf8(c.needle))), c.found) << c.needle;
    EXPECT_EQ(store.count(), 4);
    EXPECT_EQ(store.search({}, 2).size(), 2);
}

TEST_F(HistoryStoreTest, DropsTheOldestBeyondTheCap)
{
    HistoryStore store(path, 3);
    for (int i = 1; i <= 5; ++i)
        ASSERT_TRUE(store.add(Entry(QString::number(i), QStringLiteral("r"))));
    EXPECT_EQ(store.count(), 3);
    EXPECT_EQ(Sources(store.search({})), (QStringList{"5", "4", "3"}));
}

TEST_F(HistoryStoreTest, RemovesOneAndClearsAll)
{
    HistoryStore store(path);
    ASSERT_TRUE(store.add(Entry(QStringLiteral("one"), QStringLiteral("一"))));
    ASSERT_TRUE(store.add(Entry(QStringLiteral("two"), QStringLiteral("二"))));
    const qint64 first = store.search(QStringLiteral("one")).value(0).id;
    EXPECT_TRUE(store.remove(first));
    EXPECT_FALSE(store.remove(first));
    EXPECT_EQ(Sources(store.search({})), QStringList{QStringLiteral("two")});
    EXPECT_TRUE(store.clear());
    EXPECT_EQ(store.count(), 0);
    EXPECT_TRUE(store.add(Entry(QStringLiteral("three"), QStringLiteral("三"))));
    EXPECT_EQ(store.count(), 1);
}

TEST_F(HistoryStoreTest, FailsQuietlyWhereNoDatabaseCanBeOpened)
{
    QFile blocker(dir.filePath(QStringLiteral("file")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    HistoryStore store(dir.filePath(QStringLiteral("file/history.sqlite3")));
    EXPECT_FALSE(store.isOpen());
    EXPECT_FALSE(store.add(Entry(QStringLiteral("a"), QStringLiteral("b"))));
    EXPECT_TRUE(store.search({}).isEmpty());
    EXPECT_FALSE(store.remove(1));
    EXPECT_FALSE(store.clear());
    EXPECT_EQ(store.count(), 0);
    EXPECT_TRUE(HistoryStore::defaultPath().endsWith(QStringLiteral("/quillo/history.sqlite3")));
}

} // namespace
} // namespace quillo
