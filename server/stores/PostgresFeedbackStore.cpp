#include "server/stores/PostgresFeedbackStore.h"

#include "server/stores/PostgresMigrations.h"

#include <libpq-fe.h>

#include <string_view>

#include <poll.h>

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
constexpr const char* kOutboxInsert = "INSERT INTO outbox (message_id, attempts, not_before) VALUES ($1, 0, $2)";
// Rows another instance is claiming are passed over, so no two instances send one message at once.
constexpr const char* kOutboxClaim =
    "WITH claimed AS (UPDATE outbox SET not_before = $2 WHERE message_id IN"
    " (SELECT message_id FROM outbox WHERE not_before <= $1 ORDER BY message_id LIMIT $3 FOR UPDATE SKIP LOCKED)"
    " RETURNING message_id, attempts)"
    " SELECT m.id, m.raw, c.attempts FROM claimed c JOIN messages m ON m.id = c.message_id ORDER BY m.id";
constexpr const char* kOutboxRetry = "UPDATE outbox SET attempts = attempts + 1, not_before = $2 WHERE message_id = $1";
constexpr const char* kOutboxDone = "DELETE FROM outbox WHERE message_id = $1";
constexpr const char* kOutboxNext = "SELECT min(not_before) FROM outbox";
constexpr const char* kSelect =
    "SELECT id, received, remote, \"user\", name, email, title, text, image, home, time, raw"
    " FROM messages ORDER BY id";

struct ResultDeleter {
    void operator()(PGresult* result) const { PQclear(result); }
};
using Result = std::unique_ptr<PGresult, ResultDeleter>;

using Clock = std::chrono::steady_clock;

// One statement (several when it has no parameters: the migrations) with text parameters, the
// last one binary when `lastIsBinary`, waited for until `deadline` at most: a database that stops
// answering (a stopped server, a lost network) must not hold the request. The result when its
// status is `expected`, else nullptr with `error` set; `timedOut` when the deadline passed, and
// the connection is then left mid-statement, to be closed rather than used again.
struct Statement {
    const char* sql;
    std::vector<std::string> parameters;
    ExecStatusType expected = PGRES_COMMAND_OK;
    bool lastIsBinary = false;
};

bool waitForSocket(PGconn* connection, bool writing, Clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    pollfd ready{PQsocket(connection), static_cast<short>(POLLIN | (writing ? POLLOUT : 0)), 0};
    return left > 0 && ::poll(&ready, 1, static_cast<int>(left)) > 0;
}

Result run(PGconn* connection, const Statement& statement, Clock::time_point deadline, std::string& error,
           bool& timedOut, std::string& state)
{
    std::vector<const char*> values;
    std::vector<int> lengths, formats;
    for (const std::string& parameter : statement.parameters) {
        values.push_back(parameter.data());
        lengths.push_back(static_cast<int>(parameter.size()));
        formats.push_back(0);
    }
    if (statement.lastIsBinary && !formats.empty())
        formats.back() = 1;
    const int sent = statement.parameters.empty()
        ? PQsendQuery(connection, statement.sql)
        : PQsendQueryParams(connection, statement.sql, static_cast<int>(values.size()), nullptr, values.data(),
                            lengths.data(), formats.data(), 0);
    if (!sent) {
        error = PQerrorMessage(connection);
        return nullptr;
    }
    Result last;
    for (;;) {
        const int flushed = PQflush(connection);
        if (flushed < 0 || (flushed == 0 && !PQisBusy(connection))) {
            PGresult* next = PQgetResult(connection);
            if (!next)
                break;
            last.reset(next);
            continue;
        }
        if (!waitForSocket(connection, flushed == 1, deadline)) {
            timedOut = true;
            error = "no answer within the time limit";
            return nullptr;
        }
        if (!PQconsumeInput(connection)) {
            error = PQerrorMessage(connection);
            return nullptr;
        }
    }
    if (PQresultStatus(last.get()) != statement.expected) {
        error = last ? PQresultErrorMessage(last.get()) : PQerrorMessage(connection);
        const char* code = last ? PQresultErrorField(last.get(), PG_DIAG_SQLSTATE) : nullptr;
        state = code ? code : "";
        return nullptr;
    }
    return last;
}

// The statements of one use of a connection, each under the store's time limit. After a time-out
// nothing more is sent: the connection is mid-statement, and the lease closes it.
class Exchange {
public:
    Exchange(PGconn* connection, std::chrono::milliseconds statementTime, std::string& error)
        : connection_(connection), statementTime_(statementTime), error_(error) {}

    Result run(const char* sql, const std::vector<std::string>& parameters = {},
               ExecStatusType expected = PGRES_COMMAND_OK, bool lastIsBinary = false)
    {
        if (timedOut_)
            return nullptr;
        return quillo::server::run(connection_, Statement{sql, parameters, expected, lastIsBinary},
                                   Clock::now() + statementTime_, error_, timedOut_, state_);
    }
    bool command(const char* sql) { return run(sql) != nullptr; }
    bool query(const char* sql) { return run(sql, {}, PGRES_TUPLES_OK) != nullptr; }
    // COMMIT of a failed transaction answers "ROLLBACK" with a success status: read the tag.
    bool commit()
    {
        const Result result = run("COMMIT");
        if (result && std::string_view(PQcmdStatus(result.get())) == "COMMIT")
            return true;
        if (result)
            error_ = "the transaction was rolled back";
        return false;
    }
    void rollback()
    {
        std::string ignored;
        if (!timedOut_)
            quillo::server::run(connection_, Statement{"ROLLBACK", {}}, Clock::now() + statementTime_, ignored,
                                timedOut_, state_);
    }
    bool timedOut() const { return timedOut_; }
    // SQLSTATE of the last refusal: class 42 is a schema we cannot use, 53100 a full disk.
    const std::string& state() const { return state_; }

private:
    PGconn* connection_;
    std::chrono::milliseconds statementTime_;
    std::string& error_;
    bool timedOut_ = false;
    std::string state_;
};

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
    Lease(const PostgresFeedbackStore& store, const FeedbackLimits& limits, std::string& error)
        : store_(store), connection_(store.acquire(limits, error, noneFree_)) {}
    ~Lease()
    {
        if (connection_)
            store_.release(connection_);
    }
    Lease(const Lease&) = delete;
    Lease& operator=(const Lease&) = delete;
    explicit operator bool() const { return connection_ != nullptr; }
    PGconn* get() const { return connection_; }
    bool noneFree() const { return noneFree_; } // every connection stayed taken for the whole wait

private:
    const PostgresFeedbackStore& store_;
    bool noneFree_ = false;
    PGconn* connection_;
};

std::unique_ptr<FeedbackStore> PostgresFeedbackStore::open(const std::string& address, Mode mode,
                                                           std::string& error)
{
    std::unique_ptr<PostgresFeedbackStore> store(new PostgresFeedbackStore(address));
    if (mode == Mode::ReadWrite) {
        if (!store->migrate(error))
            return nullptr;
    } else if (store->probe(store->limits(), error) != Probe::Ready) {
        return nullptr;
    }
    return store;
}

PostgresFeedbackStore::~PostgresFeedbackStore()
{
    for (PGconn* connection : idle_)
        PQfinish(connection);
}

PGconn* PostgresFeedbackStore::acquire(const FeedbackLimits& limits, std::string& error, bool& noneFree) const
{
    {
        std::unique_lock lock(mutex_);
        if (!returned_.wait_for(lock, limits.connectionWait, [this] { return !idle_.empty() || open_ < maxConnections_; })) {
            noneFree = true;
            error = "no database connection came free within " + std::to_string(limits.connectionWait.count()) + " ms";
            return nullptr;
        }
        if (!idle_.empty()) {
            PGconn* connection = idle_.back();
            idle_.pop_back();
            return connection;
        }
        ++open_;
    }
    // A connect_timeout in the address wins over this one (libpq's own is to wait forever; it
    // takes whole seconds, two at least).
    const auto seconds = std::max<long long>(2, (limits.statementTime.count() + 999) / 1000);
    const std::string connectTimeout = std::to_string(seconds);
    const char* keywords[] = {"connect_timeout", "dbname", nullptr};
    const char* values[] = {connectTimeout.c_str(), address_.c_str(), nullptr};
    PGconn* connection = PQconnectdbParams(keywords, values, 1);
    PQsetNoticeProcessor(connection, [](void*, const char*) {}, nullptr); // "already exists" notes
    // Commits wait for the disk whatever the server's default says; a statement the server is
    // slow with (a lock held by another instance) ends there as well as here.
    const std::string settings = "SET synchronous_commit TO on; SET statement_timeout TO "
        + std::to_string(limits.statementTime.count());
    if (PQstatus(connection) == CONNECTION_OK && Exchange(connection, limits.statementTime, error).command(settings.c_str()))
        return connection;
    if (error.empty())
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
    const Lease lease(*this, limits(), error);
    if (!lease)
        return false;
    Exchange exchange(lease.get(), limits().statementTime, error);
    bool ok = exchange.command("BEGIN") && exchange.query(kMigrationLock)
        && exchange.command("CREATE TABLE IF NOT EXISTS schema_migrations (name TEXT PRIMARY KEY, applied TEXT NOT NULL)");
    for (const Migration& migration : kPostgresMigrations) {
        if (!ok)
            break;
        const Result applied = exchange.run("SELECT 1 FROM schema_migrations WHERE name = $1", {migration.name},
                                            PGRES_TUPLES_OK);
        if (!applied || PQntuples(applied.get()) > 0) {
            ok = applied != nullptr;
            continue;
        }
        ok = exchange.command(migration.sql);
        if (!ok)
            error = std::string("migration ") + migration.name + ": " + error;
        ok = ok && exchange.run("INSERT INTO schema_migrations VALUES ($1, $2)", {migration.name, nowUtc()});
    }
    if (ok && exchange.commit())
        return true;
    exchange.rollback();
    return false;
}

FeedbackStore::Probe PostgresFeedbackStore::probe(const FeedbackLimits& limits, std::string& error) const
{
    const Lease lease(*this, limits, error);
    if (!lease)
        return lease.noneFree() ? Probe::NoAnswer : Probe::Unreachable;
    Exchange exchange(lease.get(), limits.statementTime, error);
    if (exchange.run(kColumnsProbe, {}, PGRES_TUPLES_OK))
        return Probe::Ready;
    if (exchange.timedOut())
        return Probe::NoAnswer;
    return exchange.state().rfind("42", 0) == 0 ? Probe::Schema : Probe::Unreachable;
}

FeedbackStore::Added PostgresFeedbackStore::add(FeedbackMessage& message, std::string& error)
{
    const FeedbackLimits caps = limits();
    const Lease lease(*this, caps, error);
    if (!lease)
        return Added::Unavailable; // none free, or the server unreachable: either may pass
    Exchange exchange(lease.get(), caps.statementTime, error);
    const auto failed = [&] {
        exchange.rollback();
        return exchange.timedOut() ? Added::Unavailable : Added::Failed;
    };
    if (!exchange.command("BEGIN") || !exchange.query(kInsertLock))
        return failed();
    const Result today = exchange.run(kToday, {nowUtc("%Y-%m-%dT00:00:00Z")}, PGRES_TUPLES_OK);
    if (!today)
        return failed();
    const auto rows = std::stoull(field(today.get(), 0, 0));
    const auto bytes = std::stoull(field(today.get(), 0, 1));
    if (rows >= caps.rowsPerDay || bytes + message.raw.size() > caps.bytesPerDay) {
        exchange.rollback();
        return Added::OverDailyLimit;
    }
    message.received = nowUtc();
    std::vector<std::string> parameters;
    for (const std::string* text : {&message.received, &message.remote, &message.user, &message.name,
                                    &message.email, &message.title, &message.text, &message.image,
                                    &message.home, &message.time})
        parameters.push_back(textParameter(*text));
    parameters.push_back(message.raw);
    const Result inserted = exchange.run(kInsert, parameters, PGRES_TUPLES_OK, true);
    const bool queued = inserted
        && (!keepsOutbox()
            || exchange.run(kOutboxInsert, {field(inserted.get(), 0, 0), std::to_string(nowSeconds())}));
    if (!queued || !exchange.commit()) {
        noteDiskFull(exchange.state() == "53100", error); // disk_full
        return failed();
    }
    noteDiskFull(false);
    message.id = std::stoll(field(inserted.get(), 0, 0));
    return Added::Stored;
}

namespace {

std::string bytesOf(const PGresult* result, int row, int column)
{
    size_t length = 0;
    unsigned char* raw = PQunescapeBytea(reinterpret_cast<const unsigned char*>(PQgetvalue(result, row, column)), &length);
    std::string bytes = raw ? std::string(reinterpret_cast<const char*>(raw), length) : std::string();
    PQfreemem(raw);
    return bytes;
}

} // namespace

bool PostgresFeedbackStore::claimOutbox(size_t limit, std::chrono::seconds lease, std::vector<OutboxEntry>& entries,
                                        std::string& error)
{
    const FeedbackLimits caps = limits();
    const Lease lease_(*this, caps, error);
    if (!lease_)
        return false;
    const int64_t now = nowSeconds();
    const Result claimed = Exchange(lease_.get(), caps.statementTime, error)
                               .run(kOutboxClaim, {std::to_string(now), std::to_string(now + lease.count()), std::to_string(limit)},
                                    PGRES_TUPLES_OK);
    if (!claimed)
        return false;
    for (int row = 0; row < PQntuples(claimed.get()); ++row)
        entries.push_back({std::stoll(field(claimed.get(), row, 0)), bytesOf(claimed.get(), row, 1),
                           std::stoi(field(claimed.get(), row, 2))});
    return true;
}

bool PostgresFeedbackStore::settleOutbox(int64_t id, std::optional<std::chrono::seconds> retryIn, std::string& error)
{
    const FeedbackLimits caps = limits();
    const Lease lease(*this, caps, error);
    if (!lease)
        return false;
    Exchange exchange(lease.get(), caps.statementTime, error);
    return retryIn ? exchange.run(kOutboxRetry, {std::to_string(id), std::to_string(nowSeconds() + retryIn->count())}) != nullptr
                   : exchange.run(kOutboxDone, {std::to_string(id)}) != nullptr;
}

std::optional<std::chrono::system_clock::time_point> PostgresFeedbackStore::nextOutboxDue(std::string& error)
{
    const FeedbackLimits caps = limits();
    const Lease lease(*this, caps, error);
    if (!lease)
        return std::nullopt;
    const Result next = Exchange(lease.get(), caps.statementTime, error).run(kOutboxNext, {}, PGRES_TUPLES_OK);
    if (!next || PQntuples(next.get()) == 0 || PQgetisnull(next.get(), 0, 0))
        return std::nullopt;
    return std::chrono::system_clock::time_point(std::chrono::seconds(std::stoll(field(next.get(), 0, 0))));
}

bool PostgresFeedbackStore::all(std::vector<FeedbackMessage>& messages, std::string& error) const
{
    const Lease lease(*this, limits(), error);
    if (!lease)
        return false;
    // A listing reads every row, however long that takes.
    const Result result = Exchange(lease.get(), std::chrono::hours(24), error).run(kSelect, {}, PGRES_TUPLES_OK);
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
        message.raw = bytesOf(result.get(), row, column);
        messages.push_back(std::move(message));
    }
    return true;
}

} // namespace quillo::server
