#include "server/stores/PostgresFeedbackStore.h"

#include "server/stores/PostgresMigrations.h"

#include <libpq-fe.h>

#include <string_view>

namespace quillo::server {

namespace {

// Advisory lock keys of this service: the bytes of "Quillo" and a number.
constexpr const char* kMigrationLock = "SELECT pg_advisory_xact_lock(22928568764624641)";
constexpr const char* kInsertLock = "SELECT pg_advisory_xact_lock(22928568764624642)";

constexpr const char* kToday =
    "SELECT count(*), coalesce(sum(length(raw)), 0) FROM messages WHERE received >= $1";
constexpr const char* kInsert =
    "INSERT INTO messages (received, remote, \"user\", name, email, title, text, image, home, time, raw)"
    " VALUES ($1, $2, $3, $4, $5, $6, $7, $8, $9, $10, $11) RETURNING id";
constexpr const char* kSelect =
    "SELECT id, received, remote, \"user\", name, email, title, text, image, home, time, raw"
    " FROM messages ORDER BY id";

struct ResultDeleter {
    void operator()(PGresult* result) const { PQclear(result); }
};
using Result = std::unique_ptr<PGresult, ResultDeleter>;

// Runs one statement with text parameters, the last one binary when `lastIsBinary`; the result
// when its status is `expected`, else nullptr with `error` set.
Result run(PGconn* connection, const char* sql, const std::vector<std::string>& parameters,
           ExecStatusType expected, std::string& error, bool lastIsBinary = false)
{
    std::vector<const char*> values;
    std::vector<int> lengths, formats;
    for (const std::string& parameter : parameters) {
        values.push_back(parameter.data());
        lengths.push_back(static_cast<int>(parameter.size()));
        formats.push_back(0);
    }
    if (lastIsBinary && !formats.empty())
        formats.back() = 1;
    Result result(PQexecParams(connection, sql, static_cast<int>(values.size()), nullptr, values.data(),
                               lengths.data(), formats.data(), 0));
    if (PQresultStatus(result.get()) != expected) {
        error = PQerrorMessage(connection);
        return nullptr;
    }
    return result;
}

bool command(PGconn* connection, const char* sql, std::string& error)
{
    return run(connection, sql, {}, PGRES_COMMAND_OK, error) != nullptr;
}

bool query(PGconn* connection, const char* sql, std::string& error)
{
    return run(connection, sql, {}, PGRES_TUPLES_OK, error) != nullptr;
}

// COMMIT of a failed transaction answers "ROLLBACK" with a success status: read the tag.
bool commit(PGconn* connection, std::string& error)
{
    const Result result(PQexec(connection, "COMMIT"));
    if (PQresultStatus(result.get()) == PGRES_COMMAND_OK && std::string_view(PQcmdStatus(result.get())) == "COMMIT")
        return true;
    error = PQerrorMessage(connection);
    if (error.empty())
        error = "the transaction was rolled back";
    return false;
}

void rollback(PGconn* connection)
{
    PQclear(PQexec(connection, "ROLLBACK"));
}

// Text columns hold no NUL character; the raw body keeps the exact bytes.
std::string textParameter(std::string text)
{
    for (size_t at = text.find('\0'); at != std::string::npos; at = text.find('\0', at))
        text.replace(at, 1, "\xEF\xBF\xBD");
    return text;
}

std::string field(const PGresult* result, int row, int column)
{
    return std::string(PQgetvalue(result, row, column), static_cast<size_t>(PQgetlength(result, row, column)));
}

} // namespace

// A connection of the pool for one use; one that broke is closed instead of returned.
class PostgresFeedbackStore::Lease {
public:
    Lease(const PostgresFeedbackStore& store, std::string& error)
        : store_(store), connection_(store.acquire(error)) {}
    ~Lease()
    {
        if (connection_)
            store_.release(connection_);
    }
    Lease(const Lease&) = delete;
    Lease& operator=(const Lease&) = delete;
    explicit operator bool() const { return connection_ != nullptr; }
    PGconn* get() const { return connection_; }

private:
    const PostgresFeedbackStore& store_;
    PGconn* connection_;
};

std::unique_ptr<FeedbackStore> PostgresFeedbackStore::open(const std::string& address, Mode mode,
                                                           std::string& error)
{
    std::unique_ptr<PostgresFeedbackStore> store(new PostgresFeedbackStore(address));
    if (mode == Mode::ReadWrite ? !store->migrate(error) : !store->reachable(error))
        return nullptr;
    return store;
}

PostgresFeedbackStore::~PostgresFeedbackStore()
{
    for (PGconn* connection : idle_)
        PQfinish(connection);
}

PGconn* PostgresFeedbackStore::acquire(std::string& error) const
{
    {
        std::unique_lock lock(mutex_);
        returned_.wait(lock, [this] { return !idle_.empty() || open_ < maxConnections_; });
        if (!idle_.empty()) {
            PGconn* connection = idle_.back();
            idle_.pop_back();
            return connection;
        }
        ++open_;
    }
    // A connect_timeout in the address wins over this default: libpq's own is to wait forever.
    const char* keywords[] = {"connect_timeout", "dbname", nullptr};
    const char* values[] = {"5", address_.c_str(), nullptr};
    PGconn* connection = PQconnectdbParams(keywords, values, 1);
    PQsetNoticeProcessor(connection, [](void*, const char*) {}, nullptr); // "already exists" notes
    // Commits wait for the disk whatever the server's default says.
    if (PQstatus(connection) == CONNECTION_OK && command(connection, "SET synchronous_commit TO on", error))
        return connection;
    error = PQerrorMessage(connection);
    PQfinish(connection);
    std::lock_guard lock(mutex_);
    --open_;
    returned_.notify_one();
    return nullptr;
}

void PostgresFeedbackStore::release(PGconn* connection) const
{
    const bool usable = PQstatus(connection) == CONNECTION_OK && PQtransactionStatus(connection) == PQTRANS_IDLE;
    if (!usable)
        PQfinish(connection);
    std::lock_guard lock(mutex_);
    if (usable)
        idle_.push_back(connection);
    else
        --open_;
    returned_.notify_one();
}

bool PostgresFeedbackStore::migrate(std::string& error)
{
    const Lease lease(*this, error);
    if (!lease)
        return false;
    PGconn* connection = lease.get();
    bool ok = command(connection, "BEGIN", error) && query(connection, kMigrationLock, error)
        && command(connection, "CREATE TABLE IF NOT EXISTS schema_migrations"
                               " (name TEXT PRIMARY KEY, applied TEXT NOT NULL)", error);
    for (const Migration& migration : kPostgresMigrations) {
        if (!ok)
            break;
        const Result applied = run(connection, "SELECT 1 FROM schema_migrations WHERE name = $1",
                                   {migration.name}, PGRES_TUPLES_OK, error);
        if (!applied || PQntuples(applied.get()) > 0) {
            ok = applied != nullptr;
            continue;
        }
        const Result result(PQexec(connection, migration.sql));
        ok = PQresultStatus(result.get()) == PGRES_COMMAND_OK
            && run(connection, "INSERT INTO schema_migrations VALUES ($1, $2)", {migration.name, nowUtc()},
                   PGRES_COMMAND_OK, error);
        if (PQresultStatus(result.get()) != PGRES_COMMAND_OK)
            error = std::string("migration ") + migration.name + ": " + PQerrorMessage(connection);
    }
    if (ok && commit(connection, error))
        return true;
    rollback(connection);
    return false;
}

bool PostgresFeedbackStore::reachable(std::string& error) const
{
    const Lease lease(*this, error);
    return lease && query(lease.get(), "SELECT 1 FROM messages LIMIT 1", error);
}

FeedbackStore::Added PostgresFeedbackStore::add(FeedbackMessage& message, std::string& error)
{
    const Lease lease(*this, error);
    if (!lease)
        return Added::Failed;
    PGconn* connection = lease.get();
    if (!command(connection, "BEGIN", error) || !query(connection, kInsertLock, error)) {
        rollback(connection);
        return Added::Failed;
    }
    const Result today = run(connection, kToday, {nowUtc("%Y-%m-%dT00:00:00Z")}, PGRES_TUPLES_OK, error);
    if (!today) {
        rollback(connection);
        return Added::Failed;
    }
    const FeedbackLimits caps = limits();
    const auto rows = std::stoull(field(today.get(), 0, 0));
    const auto bytes = std::stoull(field(today.get(), 0, 1));
    if (rows >= caps.rowsPerDay || bytes + message.raw.size() > caps.bytesPerDay) {
        rollback(connection);
        return Added::OverDailyLimit;
    }
    message.received = nowUtc();
    std::vector<std::string> parameters;
    for (const std::string* text : {&message.received, &message.remote, &message.user, &message.name,
                                    &message.email, &message.title, &message.text, &message.image,
                                    &message.home, &message.time})
        parameters.push_back(textParameter(*text));
    parameters.push_back(message.raw);
    const Result inserted = run(connection, kInsert, parameters, PGRES_TUPLES_OK, error, true);
    if (!inserted || !commit(connection, error)) {
        rollback(connection);
        return Added::Failed;
    }
    message.id = std::stoll(field(inserted.get(), 0, 0));
    return Added::Stored;
}

bool PostgresFeedbackStore::all(std::vector<FeedbackMessage>& messages, std::string& error) const
{
    const Lease lease(*this, error);
    if (!lease)
        return false;
    const Result result = run(lease.get(), kSelect, {}, PGRES_TUPLES_OK, error);
    if (!result)
        return false;
    for (int row = 0; row < PQntuples(result.get()); ++row) {
        FeedbackMessage message;
        message.id = std::stoll(field(result.get(), row, 0));
        int column = 1;
        for (std::string* text : {&message.received, &message.remote, &message.user, &message.name,
                                  &message.email, &message.title, &message.text, &message.image,
                                  &message.home, &message.time})
            *text = field(result.get(), row, column++);
        size_t length = 0;
        unsigned char* raw = PQunescapeBytea(
            reinterpret_cast<const unsigned char*>(PQgetvalue(result.get(), row, column)), &length);
        if (raw)
            message.raw.assign(reinterpret_cast<const char*>(raw), length);
        PQfreemem(raw);
        messages.push_back(std::move(message));
    }
    return true;
}

} // namespace quillo::server
