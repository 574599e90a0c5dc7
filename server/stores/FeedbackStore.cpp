#include "server/stores/FeedbackStore.h"

#include "server/stores/SqliteFeedbackStore.h"

#include <sqlite3.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <ctime>
#include <filesystem>

#include <sys/statvfs.h>

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

// Added to files made before it: a file without the table gets it at its next read-write open.
constexpr const char* kOutboxSchema =
    "CREATE TABLE IF NOT EXISTS outbox ("
    " message_id INTEGER PRIMARY KEY REFERENCES messages (id),"
    " attempts INTEGER NOT NULL DEFAULT 0, not_before INTEGER NOT NULL)";

constexpr const char* kOutboxInsert = "INSERT INTO outbox (message_id, attempts, not_before) VALUES (?, 0, ?)";
constexpr const char* kOutboxDue =
    "SELECT o.message_id, m.raw, o.attempts FROM outbox o JOIN messages m ON m.id = o.message_id"
    " WHERE o.not_before <= ? ORDER BY o.message_id LIMIT ?";
constexpr const char* kOutboxHold = "UPDATE outbox SET not_before = ? WHERE message_id = ?";
constexpr const char* kOutboxRetry = "UPDATE outbox SET attempts = attempts + 1, not_before = ? WHERE message_id = ?";
constexpr const char* kOutboxDone = "DELETE FROM outbox WHERE message_id = ?";
constexpr const char* kOutboxNext = "SELECT min(not_before) FROM outbox";

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

using Clock = std::chrono::steady_clock;

// Waits on a lock held by another connection or process, or a statement stopped at its deadline.
bool noAnswer(int code)
{
    code &= 0xFF;
    return code == SQLITE_BUSY || code == SQLITE_LOCKED || code == SQLITE_INTERRUPT;
}

// Readiness waits less than a message: a balancer's probe has a short time-out of its own.
constexpr std::chrono::milliseconds kProbeConnectionWait{1000};
constexpr std::chrono::milliseconds kProbeStatementTime{2000};

class SqliteFeedbackStore final : public FeedbackStore {
public:
    static std::unique_ptr<FeedbackStore> open(const std::string& path, Mode mode, std::string& error);
    ~SqliteFeedbackStore() override { sqlite3_close_v2(db_); }

    Added add(FeedbackMessage& message, std::string& error) override;
    bool all(std::vector<FeedbackMessage>& messages, std::string& error) const override;
    bool claimOutbox(size_t limit, std::chrono::seconds lease, std::vector<OutboxEntry>& entries,
                     std::string& error) override;
    bool settleOutbox(int64_t id, std::optional<std::chrono::seconds> retryIn, std::string& error) override;
    std::optional<std::chrono::system_clock::time_point> nextOutboxDue(std::string& error) override;

protected:
    Probe probe(const FeedbackLimits& limits, std::string& error) const override;
    std::string localFile() const override { return path_; }

private:
    SqliteFeedbackStore(sqlite3* db, std::string path);
    bool hasRoomToday(size_t bytes, std::string& error) const;
    Added insert(FeedbackMessage& message, std::string& error);
    // One statement with integer parameters, stepped to its end.
    bool runWithIntegers(const char* sql, std::initializer_list<int64_t> values, std::string& error);
    // The next statement's limits: a lock held elsewhere is waited for, work is stopped, at the deadline.
    void startStatement(const FeedbackLimits& limits) const;
    Added failure(std::string& error) const;

    sqlite3* db_;
    const std::string path_;
    mutable std::timed_mutex mutex_;
    mutable std::atomic<Clock::rep> deadline_{0};
};

SqliteFeedbackStore::SqliteFeedbackStore(sqlite3* db, std::string path) : db_(db), path_(std::move(path))
{
    sqlite3_progress_handler(
        db_, 1000,
        [](void* self) {
            const auto deadline = static_cast<SqliteFeedbackStore*>(self)->deadline_.load();
            return deadline != 0 && Clock::now().time_since_epoch().count() > deadline ? 1 : 0;
        },
        this);
}

void SqliteFeedbackStore::startStatement(const FeedbackLimits& limits) const
{
    sqlite3_busy_timeout(db_, static_cast<int>(limits.statementTime.count()));
    deadline_ = (Clock::now() + limits.statementTime).time_since_epoch().count();
}

FeedbackStore::Added SqliteFeedbackStore::failure(std::string& error) const
{
    const int code = sqlite3_extended_errcode(db_);
    if (error.empty())
        error = sqlite3_errmsg(db_);
    if (noAnswer(code))
        return Added::Unavailable;
    return Added::Failed;
}

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
    std::unique_ptr<FeedbackStore> store(new SqliteFeedbackStore(db, path));
    sqlite3_busy_timeout(db, 5000);
    if (mode == Mode::ReadWrite
        && !(execute(db, "PRAGMA journal_mode=WAL", error)
             && execute(db, "PRAGMA synchronous=FULL", error) && execute(db, kSchema, error)
             && execute(db, kIndex, error) && execute(db, kOutboxSchema, error))) {
        return nullptr;
    }
    return store;
}

int64_t FeedbackStore::nowSeconds()
{
    return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch()).count();
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

void FeedbackStore::noteDiskFull(bool full, const std::string& error)
{
    std::lock_guard lock(limitsMutex_);
    diskFullError_ = full ? error : std::string();
}

std::vector<std::string> FeedbackStore::readinessProblems() const
{
    FeedbackLimits probeLimits = limits();
    probeLimits.connectionWait = std::min(probeLimits.connectionWait, kProbeConnectionWait);
    probeLimits.statementTime = std::min(probeLimits.statementTime, kProbeStatementTime);
    std::vector<std::string> problems;
    std::string error;
    switch (probe(probeLimits, error)) {
    case Probe::Ready:
        break;
    case Probe::Unreachable:
        problems.push_back("database unreachable: " + error);
        break;
    case Probe::NoAnswer:
        problems.push_back("database does not answer: " + error);
        break;
    case Probe::Schema:
        problems.push_back("database schema unusable: " + error);
        break;
    }
    const std::string file = localFile();
    struct statvfs disk {};
    const std::string folder = std::filesystem::path(file).parent_path().string();
    if (!file.empty() && statvfs(folder.empty() ? "." : folder.c_str(), &disk) == 0) {
        const uint64_t available = uint64_t(disk.f_bavail) * disk.f_frsize;
        if (available < probeLimits.minimumFreeBytes)
            problems.push_back("disk full: " + std::to_string(available) + " bytes free beside " + file);
    }
    std::lock_guard lock(limitsMutex_);
    if (!diskFullError_.empty())
        problems.push_back("disk full: the last message could not be written: " + diskFullError_);
    return problems;
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

FeedbackStore::Probe SqliteFeedbackStore::probe(const FeedbackLimits& limits, std::string& error) const
{
    std::unique_lock lock(mutex_, std::defer_lock);
    if (!lock.try_lock_for(limits.connectionWait)) {
        error = "busy with other requests";
        return Probe::NoAnswer;
    }
    const auto classify = [&](Probe otherwise) {
        error = sqlite3_errmsg(db_);
        const int code = sqlite3_extended_errcode(db_);
        return noAnswer(code) ? Probe::NoAnswer : (code & 0xFF) == SQLITE_ERROR ? otherwise : Probe::Unreachable;
    };
    startStatement(limits);
    const Statement columns = prepare(db_, kColumnsProbe, error);
    if (!columns)
        return classify(Probe::Schema);
    if (const int step = sqlite3_step(columns.get()); step != SQLITE_ROW && step != SQLITE_DONE)
        return classify(Probe::Schema);
    // A reader gets in beside a writer of another process; a message would have to wait for it.
    startStatement(limits);
    if (!execute(db_, "BEGIN IMMEDIATE", error))
        return classify(Probe::Unreachable);
    execute(db_, "ROLLBACK", error);
    return Probe::Ready;
}

FeedbackStore::Added SqliteFeedbackStore::add(FeedbackMessage& message, std::string& error)
{
    const FeedbackLimits caps = limits();
    std::unique_lock lock(mutex_, std::defer_lock);
    if (!lock.try_lock_for(caps.connectionWait)) {
        error = "the database was busy with other messages for " + std::to_string(caps.connectionWait.count()) + " ms";
        return Added::Unavailable;
    }
    startStatement(caps);
    if (!keepsOutbox())
        return insert(message, error);
    // The message and its outbox entry are committed together.
    if (!execute(db_, "BEGIN IMMEDIATE", error))
        return failure(error);
    Added added = insert(message, error);
    if (added == Added::Stored) {
        startStatement(caps);
        if (!runWithIntegers(kOutboxInsert, {message.id, nowSeconds()}, error) || !execute(db_, "COMMIT", error))
            added = failure(error);
    }
    if (added != Added::Stored) {
        std::string ignored;
        execute(db_, "ROLLBACK", ignored);
    }
    return added;
}

// Within the caller's lock and statement limits.
FeedbackStore::Added SqliteFeedbackStore::insert(FeedbackMessage& message, std::string& error)
{
    if (!hasRoomToday(message.raw.size(), error))
        return error.empty() ? Added::OverDailyLimit : failure(error);
    startStatement(limits());
    const Statement statement = prepare(db_, kInsert, error);
    sqlite3_stmt* raw = statement.get();
    if (!raw)
        return failure(error);
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
    // committed, and with synchronous FULL the commit has reached the disk. Inside the outbox's
    // the caller commits.
    if (sqlite3_step(raw) != SQLITE_DONE) {
        const bool full = (sqlite3_extended_errcode(db_) & 0xFF) == SQLITE_FULL;
        const Added outcome = failure(error);
        noteDiskFull(full, error);
        return outcome;
    }
    noteDiskFull(false);
    message.id = sqlite3_last_insert_rowid(db_);
    return Added::Stored;
}

bool SqliteFeedbackStore::runWithIntegers(const char* sql, std::initializer_list<int64_t> values, std::string& error)
{
    const Statement statement = prepare(db_, sql, error);
    if (!statement)
        return false;
    int index = 1;
    for (const int64_t value : values)
        sqlite3_bind_int64(statement.get(), index++, value);
    if (sqlite3_step(statement.get()) == SQLITE_DONE)
        return true;
    error = sqlite3_errmsg(db_);
    return false;
}

bool SqliteFeedbackStore::claimOutbox(size_t limit, std::chrono::seconds lease, std::vector<OutboxEntry>& entries,
                                      std::string& error)
{
    const FeedbackLimits caps = limits();
    std::unique_lock lock(mutex_, std::defer_lock);
    if (!lock.try_lock_for(caps.connectionWait)) {
        error = "the database is busy";
        return false;
    }
    startStatement(caps);
    if (!execute(db_, "BEGIN IMMEDIATE", error))
        return false;
    const int64_t now = nowSeconds();
    bool ok = false;
    if (const Statement due = prepare(db_, kOutboxDue, error)) {
        sqlite3_bind_int64(due.get(), 1, now);
        sqlite3_bind_int64(due.get(), 2, static_cast<int64_t>(limit));
        int step = SQLITE_ROW;
        while ((step = sqlite3_step(due.get())) == SQLITE_ROW)
            entries.push_back({sqlite3_column_int64(due.get(), 0), column(due.get(), 1), sqlite3_column_int(due.get(), 2)});
        ok = step == SQLITE_DONE;
        if (!ok)
            error = sqlite3_errmsg(db_);
    }
    for (const OutboxEntry& entry : entries)
        ok = ok && runWithIntegers(kOutboxHold, {now + lease.count(), entry.id}, error);
    if (ok && execute(db_, "COMMIT", error))
        return true;
    std::string ignored;
    execute(db_, "ROLLBACK", ignored);
    entries.clear();
    return false;
}

bool SqliteFeedbackStore::settleOutbox(int64_t id, std::optional<std::chrono::seconds> retryIn, std::string& error)
{
    std::lock_guard lock(mutex_);
    startStatement(limits());
    return retryIn ? runWithIntegers(kOutboxRetry, {nowSeconds() + retryIn->count(), id}, error)
                   : runWithIntegers(kOutboxDone, {id}, error);
}

std::optional<std::chrono::system_clock::time_point> SqliteFeedbackStore::nextOutboxDue(std::string& error)
{
    std::lock_guard lock(mutex_);
    startStatement(limits());
    const Statement next = prepare(db_, kOutboxNext, error);
    if (!next || sqlite3_step(next.get()) != SQLITE_ROW || sqlite3_column_type(next.get(), 0) == SQLITE_NULL)
        return std::nullopt;
    return std::chrono::system_clock::time_point(std::chrono::seconds(sqlite3_column_int64(next.get(), 0)));
}

bool SqliteFeedbackStore::all(std::vector<FeedbackMessage>& messages, std::string& error) const
{
    std::lock_guard lock(mutex_);
    deadline_ = 0; // a listing reads every row, however long that takes
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
