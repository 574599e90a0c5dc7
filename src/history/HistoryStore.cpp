#include "history/HistoryStore.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <sqlite3.h>

#include <memory>

namespace quillo {

namespace {

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
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using Statement = std::unique_ptr<sqlite3_stmt, StatementCloser>;

Statement prepare(sqlite3* db, const char* sql)
{
    sqlite3_stmt* statement = nullptr;
    if (!db || sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) != SQLITE_OK) {
        sqlite3_finalize(statement);
        return {};
    }
    return Statement(statement);
}

void bindText(sqlite3_stmt* statement, int index, const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    sqlite3_bind_text(statement, index, utf8.constData(), static_cast<int>(utf8.size()), SQLITE_TRANSIENT);
}

QString columnText(sqlite3_stmt* statement, int column)
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
    return QString::fromUtf8(text, sqlite3_column_bytes(statement, column));
}

bool execute(sqlite3* db, const char* sql)
{
    return db && sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

// contains(haystack, needle): case-insensitive containment on whole Unicode text, which SQLite's
// own LIKE folds only for ASCII letters (Russian, Greek and German text would not be found).
void containsFunction(sqlite3_context* context, int, sqlite3_value** values)
{
    const auto text = [](sqlite3_value* value) {
        return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_value_text(value)), sqlite3_value_bytes(value));
    };
    sqlite3_result_int(context, text(values[0]).contains(text(values[1]), Qt::CaseInsensitive) ? 1 : 0);
}

} // namespace

HistoryStore::HistoryStore(const QString& databasePath, int cap)
    : cap_(qMax(1, cap))
{
    QDir().mkpath(QFileInfo(databasePath).absolutePath());
    if (sqlite3_open_v2(databasePath.toUtf8().constData(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                        nullptr) != SQLITE_OK) {
        sqlite3_close(db_);
        db_ = nullptr;
        return;
    }
    sqlite3_busy_timeout(db_, 2000);
    // secure_delete: a deleted or cleared entry is overwritten in the file, not merely unlinked.
    const bool ready = execute(db_, "PRAGMA journal_mode=WAL") && execute(db_, "PRAGMA secure_delete=ON")
        && execute(db_, kSchema)
        && sqlite3_create_function(db_, "quillo_contains", 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                                   &containsFunction, nullptr, nullptr) == SQLITE_OK;
    if (!ready) {
        sqlite3_close(db_);
        db_ = nullptr;
    }
}

HistoryStore::~HistoryStore()
{
    sqlite3_close(db_);
}

bool HistoryStore::isOpen() const
{
    return db_ != nullptr;
}

bool HistoryStore::add(const HistoryEntry& entry)
{
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
    sqlite3_bind_int64(insert.get(), 1, time.toMSecsSinceEpoch());
    sqlite3_bind_int(insert.get(), 2, entry.source);
    sqlite3_bind_int(insert.get(), 3, entry.target);
    bindText(insert.get(), 4, entry.engine);
    bindText(insert.get(), 5, entry.sourceText);
    bindText(insert.get(), 6, entry.result);
    return sqlite3_step(insert.get()) == SQLITE_DONE;
}

bool HistoryStore::trim()
{
    // Ids only grow (AUTOINCREMENT), so everything from the (cap+1)-th newest id down is older
    // than the newest cap entries.
    Statement trim = prepare(db_,
        "DELETE FROM history WHERE id <= (SELECT id FROM history ORDER BY id DESC LIMIT 1 OFFSET ?)");
    if (!trim)
        return false;
    sqlite3_bind_int(trim.get(), 1, cap_);
    return sqlite3_step(trim.get()) == SQLITE_DONE;
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
    sqlite3_bind_int(query.get(), 2, qMax(0, limit));
    while (sqlite3_step(query.get()) == SQLITE_ROW) {
        HistoryEntry entry;
        entry.id = sqlite3_column_int64(query.get(), 0);
        entry.time = QDateTime::fromMSecsSinceEpoch(sqlite3_column_int64(query.get(), 1), Qt::UTC);
        entry.source = sqlite3_column_int(query.get(), 2);
        entry.target = sqlite3_column_int(query.get(), 3);
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
    sqlite3_bind_int64(erase.get(), 1, id);
    return sqlite3_step(erase.get()) == SQLITE_DONE && sqlite3_changes(db_) > 0;
}

bool HistoryStore::clear()
{
    // The checkpoint empties the write-ahead log too, which still holds the deleted text.
    return execute(db_, "DELETE FROM history") && execute(db_, "PRAGMA wal_checkpoint(TRUNCATE)");
}

int HistoryStore::count() const
{
    Statement query = prepare(db_, "SELECT COUNT(*) FROM history");
    return query && sqlite3_step(query.get()) == SQLITE_ROW ? sqlite3_column_int(query.get(), 0) : 0;
}

QString HistoryStore::defaultPath()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (folder.isEmpty())
        folder = QDir::homePath() + QStringLiteral("/.local/share");
    return folder + QStringLiteral("/quillo/history.sqlite3");
}

} // namespace quillo
