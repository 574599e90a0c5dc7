// The glossary in one SQLite file: one connection under a lock, writes in immediate transactions
// so that the service and a `glossary` command may share the file.

#include "server/stores/GlossaryStore.h"
#include "server/stores/SqliteGlossaryStore.h"

#include <sqlite3.h>

#include <mutex>

namespace quillo::server {

namespace {

constexpr const char* kSchema =
    "CREATE TABLE IF NOT EXISTS glossary ("
    " id INTEGER PRIMARY KEY AUTOINCREMENT,"
    " source TEXT NOT NULL, target TEXT NOT NULL,"
    " term TEXT NOT NULL, translation TEXT NOT NULL, note TEXT NOT NULL DEFAULT '',"
    " UNIQUE (source, target, term))";

struct StatementDeleter {
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using Statement = std::unique_ptr<sqlite3_stmt, StatementDeleter>;

struct DatabaseDeleter {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};

std::string text(sqlite3_stmt* statement, int column)
{
    const auto* data = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
    return data ? std::string(data, static_cast<size_t>(sqlite3_column_bytes(statement, column))) : std::string();
}

class SqliteGlossaryStore final : public GlossaryStore {
public:
    explicit SqliteGlossaryStore(sqlite3* db) : db_(db) {}

    Outcome add(GlossaryEntry& entry, bool& replaced, std::string& error) override
    {
        std::lock_guard lock(mutex_);
        if (!exec("BEGIN IMMEDIATE", error))
            return Outcome::Failed;
        Statement existing = prepare("SELECT id FROM glossary WHERE source = ? AND target = ? AND term = ?",
                                     {&entry.source, &entry.target, &entry.term}, error);
        const int found = existing ? sqlite3_step(existing.get()) : SQLITE_ERROR;
        replaced = found == SQLITE_ROW;
        if (replaced)
            entry.id = sqlite3_column_int64(existing.get(), 0);
        Statement write = replaced
            ? prepare("UPDATE glossary SET translation = ?, note = ? WHERE id = ?", {&entry.translation, &entry.note},
                      error)
            : prepare("INSERT INTO glossary (source, target, term, translation, note) VALUES (?, ?, ?, ?, ?)",
                      {&entry.source, &entry.target, &entry.term, &entry.translation, &entry.note}, error);
        if (write && replaced)
            sqlite3_bind_int64(write.get(), 3, entry.id);
        const bool written = (found == SQLITE_ROW || found == SQLITE_DONE) && write
            && sqlite3_step(write.get()) == SQLITE_DONE;
        if (!written || !exec("COMMIT", error)) {
            if (error.empty())
                error = sqlite3_errmsg(db_.get());
            std::string ignored;
            exec("ROLLBACK", ignored);
            return Outcome::Failed;
        }
        if (!replaced)
            entry.id = sqlite3_last_insert_rowid(db_.get());
        return Outcome::Done;
    }

    Outcome list(const std::string& source, const std::string& target, std::vector<GlossaryEntry>& entries,
                 std::string& error) const override
    {
        std::lock_guard lock(mutex_);
        const bool all = source.empty() && target.empty();
        Statement select = all
            ? prepare("SELECT id, source, target, term, translation, note FROM glossary ORDER BY source, target, term",
                      {}, error)
            : prepare("SELECT id, source, target, term, translation, note FROM glossary"
                      " WHERE source = ? AND target = ? ORDER BY term",
                      {&source, &target}, error);
        if (!select)
            return Outcome::Failed;
        int step = SQLITE_ROW;
        while ((step = sqlite3_step(select.get())) == SQLITE_ROW) {
            entries.push_back({sqlite3_column_int64(select.get(), 0), text(select.get(), 1), text(select.get(), 2),
                               text(select.get(), 3), text(select.get(), 4), text(select.get(), 5)});
        }
        if (step == SQLITE_DONE)
            return Outcome::Done;
        error = sqlite3_errmsg(db_.get());
        return Outcome::Failed;
    }

    Outcome remove(int64_t id, std::string& error) override
    {
        std::lock_guard lock(mutex_);
        Statement erase = prepare("DELETE FROM glossary WHERE id = ?", {}, error);
        if (!erase)
            return Outcome::Failed;
        sqlite3_bind_int64(erase.get(), 1, id);
        if (sqlite3_step(erase.get()) != SQLITE_DONE) {
            error = sqlite3_errmsg(db_.get());
            return Outcome::Failed;
        }
        return sqlite3_changes(db_.get()) > 0 ? Outcome::Done : Outcome::NotFound;
    }

private:
    // The statement with its first parameters bound to `values`; nullptr with `error` set.
    Statement prepare(const char* sql, std::initializer_list<const std::string*> values, std::string& error) const
    {
        sqlite3_stmt* raw = nullptr;
        if (sqlite3_prepare_v2(db_.get(), sql, -1, &raw, nullptr) != SQLITE_OK) {
            error = sqlite3_errmsg(db_.get());
            return nullptr;
        }
        Statement statement(raw);
        int index = 1;
        for (const std::string* value : values)
            sqlite3_bind_text(raw, index++, value->data(), static_cast<int>(value->size()), SQLITE_TRANSIENT);
        return statement;
    }

    bool exec(const char* sql, std::string& error) const
    {
        if (sqlite3_exec(db_.get(), sql, nullptr, nullptr, nullptr) == SQLITE_OK)
            return true;
        error = sqlite3_errmsg(db_.get());
        return false;
    }

    std::unique_ptr<sqlite3, DatabaseDeleter> db_;
    mutable std::mutex mutex_;
};

} // namespace

std::unique_ptr<GlossaryStore> OpenSqliteGlossaryStore(const std::string& path, std::string& error)
{
    sqlite3* raw = nullptr;
    const int opened = sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    std::unique_ptr<sqlite3, DatabaseDeleter> db(raw);
    if (opened != SQLITE_OK) {
        error = raw ? sqlite3_errmsg(raw) : "out of memory";
        return nullptr;
    }
    sqlite3_busy_timeout(raw, 5000); // another process's write in progress
    char* message = nullptr;
    if (sqlite3_exec(raw, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr) != SQLITE_OK
        || sqlite3_exec(raw, kSchema, nullptr, nullptr, &message) != SQLITE_OK) {
        error = message ? message : sqlite3_errmsg(raw);
        sqlite3_free(message);
        return nullptr;
    }
    return std::make_unique<SqliteGlossaryStore>(db.release());
}

} // namespace quillo::server
