#include "history/HistoryStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <functional>
#include <sys/wait.h>
#include <unistd.h>

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

TEST_F(HistoryStoreTest, KeepsNoFailureWhateverItsWordingButTranslationsThatMentionEngines)
{
    HistoryStore store(path);
    const struct
    {
        const char* result;
        bool kept;
    } results[] = {
        {"本服务器没有从英语翻译到法语的翻译引擎。\n添加翻译引擎：启动服务器前设置 QUILLO_LLM_URL", false},
        {"本服务器没有名为“deepl”的翻译引擎。", false},
        {"DeepL 拒绝了服务器的密钥（HTTP 403），请检查 QUILLO_DEEPL_KEY。", false},
        {"大模型翻译服务出错（HTTP 500），本次翻译没有完成，请稍后再试。", false},
        {"DeepL 的用量额度已经用完（HTTP 456）。", false},
        {"   连 接 服 务 器 超 时 ，请 稍 后 重 试 。", false},
        {"服务器没有翻译引擎。", true},
        {"本服务器没有从英语翻译到法语的翻译引擎。我们明天再试。\n第二段", true},
        {"The engine failed.", true},
    };
    int kept = 0;
    for (const auto& result : results) {
        EXPECT_EQ(store.add(Entry(QStringLiteral("text"), QString::fromUtf8(result.result))), result.kept) << result.result;
        kept += result.kept ? 1 : 0;
    }
    EXPECT_EQ(store.count(), kept);
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

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void Write(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

// Another process holding SQLite's write lock on the file (the byte range SQLite locks for
// readers), as a second program writing to it would: every read waits and then gives up.
class LockedByAnotherProcess
{
public:
    explicit LockedByAnotherProcess(const QString& path)
    {
        int ready[2];
        int release[2];
        if (::pipe(ready) != 0 || ::pipe(release) != 0)
            return;
        const QByteArray name = QFile::encodeName(path);
        m_child = ::fork();
        if (m_child == 0) {
            ::close(release[1]); // so that the parent's close ends the wait below
            const int fd = ::open(name.constData(), O_RDWR);
            struct flock lock{};
            lock.l_type = F_WRLCK;
            lock.l_whence = SEEK_SET;
            lock.l_start = 0x40000000; // SQLite's pending byte, then its reserved and shared bytes
            lock.l_len = 512;
            const char answer = fd >= 0 && ::fcntl(fd, F_SETLK, &lock) == 0 ? 'y' : 'n';
            (void)!::write(ready[1], &answer, 1);
            char ignored;
            (void)!::read(release[0], &ignored, 1);
            ::_exit(0);
        }
        ::close(ready[1]);
        ::close(release[0]);
        m_release = release[1];
        char answer = 'n';
        m_locked = ::read(ready[0], &answer, 1) == 1 && answer == 'y';
        ::close(ready[0]);
    }
    ~LockedByAnotherProcess()
    {
        if (m_child <= 0)
            return;
        ::close(m_release);
        ::waitpid(m_child, nullptr, 0);
    }
    bool locked() const { return m_locked; }

private:
    pid_t m_child = -1;
    int m_release = -1;
    bool m_locked = false;
};

TEST_F(HistoryStoreTest, ADamagedFileIsSetAsideUnderItsTimeAndTheUserToldOnceWhileABusyOrUnopenableOneStays)
{
    QDir().mkpath(QFileInfo(path).path());
    {
        HistoryStore store(path);
        for (int i = 0; i < 200; ++i)
            ASSERT_TRUE(store.add(Entry(QStringLiteral("entry %1 ").arg(i).repeated(20), QStringLiteral("条目"))));
    }
    const QByteArray sound = ReadAll(path);
    ASSERT_GT(sound.size(), 3 * 4096);
    QByteArray randomBytes(8192, '\0');
    QRandomGenerator(27).generate(reinterpret_cast<quint32*>(randomBytes.data()),
                                  reinterpret_cast<quint32*>(randomBytes.data() + randomBytes.size()));
    QByteArray brokenPages = sound;
    brokenPages.replace(4096, 2 * 4096, QByteArray(2 * 4096, '\x5a'));

    const struct
    {
        const char* name;
        QByteArray bytes;
    } damaged[] = {{"random bytes", randomBytes}, {"a sound header over broken pages", brokenPages}};
    for (const auto& c : damaged) {
        SCOPED_TRACE(c.name);
        Write(path, c.bytes);
        HistoryStore store(path);
        ASSERT_TRUE(store.isOpen());
        EXPECT_TRUE(store.setAsidePath().startsWith(path + QStringLiteral(".damaged-20"))) << store.setAsidePath().toStdString();
        EXPECT_EQ(ReadAll(store.setAsidePath()), c.bytes);
        EXPECT_TRUE(store.damageNotice().contains(QFileInfo(store.setAsidePath()).fileName()));
        EXPECT_EQ(store.count(), 0);
        EXPECT_TRUE(store.add(Entry(QStringLiteral("after"), QStringLiteral("之后"))));
        QFile::remove(store.setAsidePath());
    }
    // The new file is sound: the next opening has nothing to tell.
    HistoryStore reopened(path);
    EXPECT_EQ(reopened.count(), 1);
    EXPECT_TRUE(reopened.setAsidePath().isEmpty());
    EXPECT_TRUE(reopened.damageNotice().isEmpty());
}

TEST_F(HistoryStoreTest, AFileThatIsBusyOrCannotBeOpenedIsNeitherMovedNorTouched)
{
    {
        HistoryStore store(path);
        ASSERT_TRUE(store.add(Entry(QStringLiteral("kept"), QStringLiteral("保留"))));
    }
    const QByteArray before = ReadAll(path);
    {
        LockedByAnotherProcess other(path);
        ASSERT_TRUE(other.locked());
        HistoryStore store(path);
        EXPECT_TRUE(store.setAsidePath().isEmpty());
        EXPECT_TRUE(store.damageNotice().isEmpty());
    }
    EXPECT_EQ(ReadAll(path), before);
    EXPECT_EQ(HistoryStore(path).count(), 1);

    const QString folder = dir.filePath(QStringLiteral("a folder"));
    ASSERT_TRUE(QDir().mkpath(folder));
    HistoryStore store(folder);
    EXPECT_FALSE(store.isOpen());
    EXPECT_TRUE(store.setAsidePath().isEmpty());
    EXPECT_TRUE(QFileInfo(folder).isDir());
}

} // namespace
} // namespace quillo
