#include "server/stores/FeedbackStore.h"

#include "server/stores/SqliteFeedbackStore.h"

#include <sqlite3.h>

#include <chrono>
#include <ctime>

namespace quillo::server {

namespace {

constexpr const char* kSchema =
    "CREATE TABLE IF NOT EXISTS messages ("
    " id INTEGER PRIMARY KEY AUTOINCREMENT,"
    " received TEXT NOT NULL, remote TEXT NOT NULL,"
    " user TEXT NOT NULL, name TEXT NOT NULL, email TEXT NOT NULL, title TEXT NOT NULL,"
    " text TEXT NOT NULL, image TEXT NOT NULL, home TEXT NOT NULL, time TEXT NOT NULL,"
    " raw BLOB NOT NULL)";

constexpr const char* kIndex = "CREATE INDEX IF NOT EXISTS messages_received ON messages (received)";

constexpr const char* kToday = "SELECT count(*), total(length(raw)) FROM messages WHERE received >= ?";

constexpr const char* kInsert =
    "INSERT INTO messages (received, remote, user, name, email, title, text, image, home, time, raw)"
    " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)";

constexpr const char* kSelect =
    "SELECT id, received, remote, user, name, email, title, text, image, home, time, raw"
    " FROM messages ORDER BY id";

struct StatementDeleter {
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using Statement = std::unique_ptr<sqlite3_stmt, StatementDeleter>;

Statement prepare(sqlite3* db, const char* sql, std::string& error)
{
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) != SQLITE_OK)
        error = sqlite3_errmsg(db);
    return Statement(statement);
}

bool execute(sqlite3* db, const char* sql, std::string& error)
{
    char* message = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &message) == SQLITE_OK)
        return true;
    error = message ? message : sqlite3_errmsg(db);
    sqlite3_free(message);
    return false;
}

std::string column(sqlite3_stmt* statement, int index)
{
    const auto* data = static_cast<const char*>(sqlite3_column_blob(statement, index));
    const int size = sqlite3_column_bytes(statement, index);
    return data ? std::string(data, static_cast<size_t>(size)) : std::string();
}

void replaceAll(std::string& text, std::string_view from, std::string_view to)
{
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

class SqliteFeedbackStore final : public FeedbackStore {
public:
    static std::unique_ptr<FeedbackStore> open(const std::string& path, Mode mode, std::string& error);
    ~SqliteFeedbackStore() override { sqlite3_close_v2(db_); }

    Added add(FeedbackMessage& message, std::string& error) override;
    bool all(std::vector<FeedbackMessage>& messages, std::string& error) const override;
    bool reachable(std::string& error) const override;

private:
    explicit SqliteFeedbackStore(sqlite3* db) : db_(db) {}
    bool hasRoomToday(size_t bytes, std::string& error) const;

    sqlite3* db_;
    mutable std::mutex mutex_;
};

} // namespace

std::string FeedbackStore::nowUtc(const char* format)
{
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm utc{};
    gmtime_r(&now, &utc);
    char buffer[32];
    std::strftime(buffer, sizeof buffer, format, &utc);
    return buffer;
}

std::unique_ptr<FeedbackStore> OpenSqliteFeedbackStore(const std::string& path, FeedbackStore::Mode mode,
                                                       std::string& error)
{
    return SqliteFeedbackStore::open(path, mode, error);
}

std::unique_ptr<FeedbackStore> SqliteFeedbackStore::open(const std::string& path, Mode mode,
                                                         std::string& error)
{
    sqlite3* db = nullptr;
    const int flags = mode == Mode::ReadOnly ? SQLITE_OPEN_READONLY
                                             : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
    if (sqlite3_open_v2(path.c_str(), &db, flags | SQLITE_OPEN_FULLMUTEX, nullptr) != SQLITE_OK) {
        error = db ? sqlite3_errmsg(db) : "out of memory";
        sqlite3_close_v2(db);
        return nullptr;
    }
    std::unique_ptr<FeedbackStore> store(new SqliteFeedbackStore(db));
    sqlite3_busy_timeout(db, 5000);
    if (mode == Mode::ReadWrite
        && !(execute(db, "PRAGMA journal_mode=WAL", error)
             && execute(db, "PRAGMA synchronous=FULL", error) && execute(db, kSchema, error)
             && execute(db, kIndex, error))) {
        return nullptr;
    }
    return store;
}

std::string FeedbackStore::defaultPath(const std::string& dataDirectory)
{
    return dataDirectory + "/feedback.sqlite3";
}

void FeedbackStore::setLimits(FeedbackLimits limits)
{
    std::lock_guard lock(limitsMutex_);
    limits_ = limits;
}

FeedbackLimits FeedbackStore::limits() const
{
    std::lock_guard lock(limitsMutex_);
    return limits_;
}

bool SqliteFeedbackStore::hasRoomToday(size_t bytes, std::string& error) const
{
    const Statement statement = prepare(db_, kToday, error);
    if (!statement)
        return false;
    const std::string midnight = nowUtc("%Y-%m-%dT00:00:00Z");
    sqlite3_bind_text(statement.get(), 1, midnight.data(), static_cast<int>(midnight.size()), SQLITE_TRANSIENT);
    if (sqlite3_step(statement.get()) != SQLITE_ROW) {
        error = sqlite3_errmsg(db_);
        return false;
    }
    const auto rows = static_cast<size_t>(sqlite3_column_int64(statement.get(), 0));
    const auto stored = static_cast<size_t>(sqlite3_column_double(statement.get(), 1));
    const FeedbackLimits today = limits();
    return rows < today.rowsPerDay && stored + bytes <= today.bytesPerDay;
}

bool SqliteFeedbackStore::reachable(std::string& error) const
{
    std::lock_guard lock(mutex_);
    const Statement statement = prepare(db_, "SELECT 1 FROM messages LIMIT 1", error);
    if (!statement)
        return false;
    if (const int step = sqlite3_step(statement.get()); step != SQLITE_ROW && step != SQLITE_DONE) {
        error = sqlite3_errmsg(db_);
        return false;
    }
    return true;
}

FeedbackStore::Added SqliteFeedbackStore::add(FeedbackMessage& message, std::string& error)
{
    std::lock_guard lock(mutex_);
    if (!hasRoomToday(message.raw.size(), error))
        return error.empty() ? Added::OverDailyLimit : Added::Failed;
    const Statement statement = prepare(db_, kInsert, error);
    sqlite3_stmt* raw = statement.get();
    if (!raw)
        return Added::Failed;
    message.received = nowUtc();
    const std::string* texts[] = {&message.received, &message.remote, &message.user, &message.name,
                                  &message.email, &message.title, &message.text, &message.image,
                                  &message.home, &message.time};
    int index = 1;
    for (const std::string* text : texts) {
        sqlite3_bind_text(raw, index++, text->data(), static_cast<int>(text->size()), SQLITE_TRANSIENT);
    }
    sqlite3_bind_blob(raw, index, message.raw.data(), static_cast<int>(message.raw.size()),
                      SQLITE_TRANSIENT);
    // Outside an explicit transaction the step is its own transaction: SQLITE_DONE means
    // committed, and with synchronous FULL the commit has reached the disk.
    if (sqlite3_step(raw) != SQLITE_DONE) {
        error = sqlite3_errmsg(db_);
        return Added::Failed;
    }
    message.id = sqlite3_last_insert_rowid(db_);
    return Added::Stored;
}

bool SqliteFeedbackStore::all(std::vector<FeedbackMessage>& messages, std::string& error) const
{
    std::lock_guard lock(mutex_);
    const Statement statement = prepare(db_, kSelect, error);
    sqlite3_stmt* raw = statement.get();
    if (!raw)
        return false;
    int step = SQLITE_ROW;
    while ((step = sqlite3_step(raw)) == SQLITE_ROW) {
        FeedbackMessage message;
        message.id = sqlite3_column_int64(raw, 0);
        std::string* fields[] = {&message.received, &message.remote, &message.user, &message.name,
                                 &message.email, &message.title, &message.text, &message.image,
                                 &message.home, &message.time, &message.raw};
        int index = 1;
        for (std::string* field : fields)
            *field = column(raw, index++);
        messages.push_back(std::move(message));
    }
    if (step != SQLITE_DONE) {
        error = sqlite3_errmsg(db_);
        return false;
    }
    return true;
}

std::string TypedText(std::string_view stored)
{
    std::string text(stored);
    replaceAll(text, "&nbsp;", " ");
    replaceAll(text, "<br>", "\r");
    return text;
}

} // namespace quillo::server
