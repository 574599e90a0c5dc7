#include "history/HistoryStore.h"

#include "core/RuntimeLibrary.h"
#include "history/DamagedFile.h"
#include "session/UserFolders.h"
#include "translate/FailureSentence.h"

#include <QDir>
#include <QFileInfo>

#include <sqlite3.h>

#include <memory>
#include <optional>

namespace quillo {

namespace {

// SQLite is opened when the history is first used rather than by the loader at every start of
// the program (see bench/startup). X(name): the member `name` points at `sqlite3_name`.
#define QUILLO_SQLITE_FUNCTIONS(X) \
    X(bind_int)              \
    X(bind_int64)            \
    X(bind_text)             \
    X(busy_timeout)          \
    X(changes)               \
    X(close)                 \
    X(column_bytes)          \
    X(column_int)            \
    X(column_int64)          \
    X(column_text)           \
    X(create_function)       \
    X(exec)                  \
    X(finalize)              \
    X(open_v2)               \
    X(prepare_v2)            \
    X(result_int)            \
    X(step)                  \
    X(value_bytes)           \
    X(value_text)

struct SqliteApi
{
    // Typed after the header's declarations, so a signature that does not match fails to build.
#define QUILLO_SQLITE_MEMBER(name) decltype(&::sqlite3_##name) name = nullptr;
    QUILLO_SQLITE_FUNCTIONS(QUILLO_SQLITE_MEMBER)
#undef QUILLO_SQLITE_MEMBER
};

std::optional<SqliteApi> loadSqlite()
{
    // Never unloaded: a store may live until the process ends.
    static RuntimeLibrary library(QUILLO_LIBSQLITE_NAME);
    return ResolveFunctions<SqliteApi>(library, [](RuntimeLibrary& opened, SqliteApi& api) {
#define QUILLO_SQLITE_RESOLVE(name) opened.Resolve(api.name, "sqlite3_" #name) &&
        return QUILLO_SQLITE_FUNCTIONS(QUILLO_SQLITE_RESOLVE) true;
#undef QUILLO_SQLITE_RESOLVE
    });
}

const std::optional<SqliteApi>& loadedSqlite()
{
    static const std::optional<SqliteApi> loaded = loadSqlite();
    return loaded;
}

// Only called once a database is open, which needs the library.
const SqliteApi& sqlite()
{
    return *loadedSqlite();
}

constexpr const char* kSchema =
    "CREATE TABLE IF NOT EXISTS history ("
    " id INTEGER PRIMARY KEY AUTOINCREMENT,"
    " time INTEGER NOT NULL,"
    " source INTEGER NOT NULL,"
    " target INTEGER NOT NULL,"
    " engine TEXT NOT NULL,"
    " source_text TEXT NOT NULL,"
    " result TEXT NOT NULL)";

struct StatementCloser
{
    void operator()(sqlite3_stmt* statement) const { sqlite().finalize(statement); }
};
using Statement = std::unique_ptr<sqlite3_stmt, StatementCloser>;

Statement prepare(sqlite3* db, const char* sql)
{
    sqlite3_stmt* statement = nullptr;
    if (!db || sqlite().prepare_v2(db, sql, -1, &statement, nullptr) != SQLITE_OK) {
        sqlite().finalize(statement);
        return {};
    }
    return Statement(statement);
}

void bindText(sqlite3_stmt* statement, int index, const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    sqlite().bind_text(statement, index, utf8.constData(), static_cast<int>(utf8.size()), SQLITE_TRANSIENT);
}

QString columnText(sqlite3_stmt* statement, int column)
{
    const auto* text = reinterpret_cast<const char*>(sqlite().column_text(statement, column));
    return QString::fromUtf8(text, sqlite().column_bytes(statement, column));
}

// The result code of running `sql`; the first value it answers goes into `firstValue`.
int run(sqlite3* db, const char* sql, QString* firstValue = nullptr)
{
    const auto keepFirst = [](void* into, int columns, char** values, char**) {
        auto* value = static_cast<QString*>(into);
        if (value->isNull() && columns > 0 && values[0])
            *value = QString::fromUtf8(values[0]);
        return 0;
    };
    return sqlite().exec(db, sql, firstValue ? +keepFirst : nullptr, firstValue, nullptr);
}

bool execute(sqlite3* db, const char* sql)
{
    return db && run(db, sql) == SQLITE_OK;
}

bool isDamage(int code)
{
    return (code & 0xff) == SQLITE_CORRUPT || (code & 0xff) == SQLITE_NOTADB;
}

// contains(haystack, needle): case-insensitive containment on whole Unicode text, which SQLite's
// own LIKE folds only for ASCII letters (Russian, Greek and German text would not be found).
void containsFunction(sqlite3_context* context, int, sqlite3_value** values)
{
    const auto text = [](sqlite3_value* value) {
        return QString::fromUtf8(reinterpret_cast<const char*>(sqlite().value_text(value)), sqlite().value_bytes(value));
    };
    sqlite().result_int(context, text(values[0]).contains(text(values[1]), Qt::CaseInsensitive) ? 1 : 0);
}

} // namespace

HistoryStore::HistoryStore(const QString& databasePath, int cap)
    : cap_(qMax(1, cap))
{
    if (!loadedSqlite())
        return;
    QDir().mkpath(QFileInfo(databasePath).absolutePath());
    if (open(databasePath) != Opening::Damaged)
        return;
    setAside_ = SetAsideDamagedFile(databasePath);
    if (!setAside_.isEmpty())
        open(databasePath);
}

HistoryStore::Opening HistoryStore::open(const QString& databasePath)
{
    if (sqlite().open_v2(databasePath.toUtf8().constData(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                        nullptr) != SQLITE_OK) {
        close();
        return Opening::Failed;
    }
    sqlite().busy_timeout(db_, 2000);
    // secure_delete: a deleted or cleared entry is overwritten in the file, not merely unlinked.
    // The quick check reads the whole file: one whose header is sound but whose pages are not
    // would otherwise fail every read and write, one entry after another.
    QString check;
    int code = SQLITE_OK;
    for (const char* sql : {"PRAGMA journal_mode=WAL", "PRAGMA secure_delete=ON", kSchema}) {
        if ((code = run(db_, sql)) != SQLITE_OK)
            break;
    }
    if (code == SQLITE_OK)
        code = run(db_, "PRAGMA quick_check", &check);
    if (code == SQLITE_OK && check != QLatin1String("ok"))
        code = SQLITE_CORRUPT;
    if (code == SQLITE_OK
        && sqlite().create_function(db_, "quillo_contains", 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                                   &containsFunction, nullptr, nullptr) == SQLITE_OK)
        return Opening::Opened;
    close();
    // Only damage sets the file aside: a locked or unreadable file stays as it is.
    return isDamage(code) ? Opening::Damaged : Opening::Failed;
}

void HistoryStore::close()
{
    if (db_)
        sqlite().close(db_);
    db_ = nullptr;
}

HistoryStore::~HistoryStore()
{
    close();
}

bool HistoryStore::isOpen() const
{
    return db_ != nullptr;
}

QString HistoryStore::damageNotice() const
{
    if (setAside_.isEmpty())
        return {};
    return QStringLiteral("   翻译历史记录文件已损坏，无法读取。原文件已改名保存为\n%1\n已新建历史记录。")
        .arg(QDir::toNativeSeparators(setAside_));
}

bool HistoryStore::add(const HistoryEntry& entry)
{
    // Whoever records, a failure is no translation to look up again.
    if (IsFailureSentence(entry.result))
        return false;
    // One transaction for the entry and the trimming: one write to disk, and never one without
    // the other.
    if (!execute(db_, "BEGIN IMMEDIATE"))
        return false;
    if (insert(entry) && trim() && execute(db_, "COMMIT"))
        return true;
    execute(db_, "ROLLBACK");
    return false;
}

bool HistoryStore::insert(const HistoryEntry& entry)
{
    Statement insert = prepare(db_,
        "INSERT INTO history (time, source, target, engine, source_text, result) VALUES (?, ?, ?, ?, ?, ?)");
    if (!insert)
        return false;
    const QDateTime time = entry.time.isValid() ? entry.time : QDateTime::currentDateTimeUtc();
    sqlite().bind_int64(insert.get(), 1, time.toMSecsSinceEpoch());
    sqlite().bind_int(insert.get(), 2, entry.source);
    sqlite().bind_int(insert.get(), 3, entry.target);
    bindText(insert.get(), 4, entry.engine);
    bindText(insert.get(), 5, entry.sourceText);
    bindText(insert.get(), 6, entry.result);
    return sqlite().step(insert.get()) == SQLITE_DONE;
}

bool HistoryStore::trim()
{
    // Ids only grow (AUTOINCREMENT), so everything from the (cap+1)-th newest id down is older
    // than the newest cap entries.
    Statement trim = prepare(db_,
        "DELETE FROM history WHERE id <= (SELECT id FROM history ORDER BY id DESC LIMIT 1 OFFSET ?)");
    if (!trim)
        return false;
    sqlite().bind_int(trim.get(), 1, cap_);
    return sqlite().step(trim.get()) == SQLITE_DONE;
}

QList<HistoryEntry> HistoryStore::search(const QString& needle, int limit) const
{
    QList<HistoryEntry> entries;
    Statement query = prepare(db_,
        "SELECT id, time, source, target, engine, source_text, result FROM history"
        " WHERE ?1 = '' OR quillo_contains(source_text, ?1) OR quillo_contains(result, ?1)"
        " ORDER BY id DESC LIMIT ?2");
    if (!query)
        return entries;
    bindText(query.get(), 1, needle);
    sqlite().bind_int(query.get(), 2, qMax(0, limit));
    while (sqlite().step(query.get()) == SQLITE_ROW) {
        HistoryEntry entry;
        entry.id = sqlite().column_int64(query.get(), 0);
        entry.time = QDateTime::fromMSecsSinceEpoch(sqlite().column_int64(query.get(), 1), Qt::UTC);
        entry.source = sqlite().column_int(query.get(), 2);
        entry.target = sqlite().column_int(query.get(), 3);
        entry.engine = columnText(query.get(), 4);
        entry.sourceText = columnText(query.get(), 5);
        entry.result = columnText(query.get(), 6);
        entries.append(entry);
    }
    return entries;
}

bool HistoryStore::remove(qint64 id)
{
    Statement erase = prepare(db_, "DELETE FROM history WHERE id = ?");
    if (!erase)
        return false;
    sqlite().bind_int64(erase.get(), 1, id);
    return sqlite().step(erase.get()) == SQLITE_DONE && sqlite().changes(db_) > 0;
}

bool HistoryStore::clear()
{
    // The checkpoint empties the write-ahead log too, which still holds the deleted text.
    return execute(db_, "DELETE FROM history") && execute(db_, "PRAGMA wal_checkpoint(TRUNCATE)");
}

int HistoryStore::count() const
{
    Statement query = prepare(db_, "SELECT COUNT(*) FROM history");
    return query && sqlite().step(query.get()) == SQLITE_ROW ? sqlite().column_int(query.get(), 0) : 0;
}

QString HistoryStore::defaultPath()
{
    return UserDataFile(QStringLiteral("history.sqlite3"));
}

} // namespace quillo
