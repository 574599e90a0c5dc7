// The glossary in PostgreSQL, beside the feedback messages: its table comes from the same
// migrations, applied by opening the feedback store once. Glossary requests are few and short,
// so one connection under a lock serves them; a broken one is opened again on the next request.

#include "server/stores/FeedbackStore.h"
#include "server/stores/GlossaryStore.h"
#include "server/stores/PostgresGlossaryStore.h"

#include <libpq-fe.h>

#include <mutex>

namespace quillo::server {

namespace {

struct ResultDeleter {
    void operator()(PGresult* result) const { PQclear(result); }
};
using Result = std::unique_ptr<PGresult, ResultDeleter>;

struct ConnectionDeleter {
    void operator()(PGconn* connection) const { PQfinish(connection); }
};

std::string field(const PGresult* result, int row, int column)
{
    return std::string(PQgetvalue(result, row, column), static_cast<size_t>(PQgetlength(result, row, column)));
}

class PostgresGlossaryStore final : public GlossaryStore {
public:
    explicit PostgresGlossaryStore(std::string address) : address_(std::move(address)) {}

    Outcome add(GlossaryEntry& entry, bool& replaced, std::string& error) override
    {
        // xmax is set on a row the statement updated rather than inserted.
        const Result result = run("INSERT INTO glossary (source, target, term, translation, note)"
                                  " VALUES ($1, $2, $3, $4, $5) ON CONFLICT (source, target, term)"
                                  " DO UPDATE SET translation = excluded.translation, note = excluded.note"
                                  " RETURNING id, xmax <> 0",
                                  {entry.source, entry.target, entry.term, entry.translation, entry.note}, error);
        if (!result)
            return Outcome::Failed;
        entry.id = std::stoll(field(result.get(), 0, 0));
        replaced = field(result.get(), 0, 1) == "t";
        return Outcome::Done;
    }

    Outcome list(const std::string& source, const std::string& target, std::vector<GlossaryEntry>& entries,
                 std::string& error) const override
    {
        const bool all = source.empty() && target.empty();
        const Result result = all
            ? run("SELECT id, source, target, term, translation, note FROM glossary ORDER BY source, target, term",
                  {}, error)
            : run("SELECT id, source, target, term, translation, note FROM glossary"
                  " WHERE source = $1 AND target = $2 ORDER BY term",
                  {source, target}, error);
        if (!result)
            return Outcome::Failed;
        for (int row = 0; row < PQntuples(result.get()); ++row) {
            entries.push_back({std::stoll(field(result.get(), row, 0)), field(result.get(), row, 1),
                               field(result.get(), row, 2), field(result.get(), row, 3), field(result.get(), row, 4),
                               field(result.get(), row, 5)});
        }
        return Outcome::Done;
    }

    Outcome remove(int64_t id, std::string& error) override
    {
        const Result result = run("DELETE FROM glossary WHERE id = $1", {std::to_string(id)}, error);
        if (!result)
            return Outcome::Failed;
        return std::string_view(PQcmdTuples(result.get())) == "0" ? Outcome::NotFound : Outcome::Done;
    }

private:
    // One statement with text parameters; the result when it succeeded, else nullptr with `error`.
    Result run(const char* sql, const std::vector<std::string>& parameters, std::string& error) const
    {
        std::lock_guard lock(mutex_);
        if (!connection_ || PQstatus(connection_.get()) != CONNECTION_OK) {
            // The statement limit keeps a stalled database from holding the request.
            const char* keywords[] = {"connect_timeout", "options", "dbname", nullptr};
            const char* values[] = {"5", "-c statement_timeout=5000", address_.c_str(), nullptr};
            connection_.reset(PQconnectdbParams(keywords, values, 1));
            if (PQstatus(connection_.get()) != CONNECTION_OK) {
                error = PQerrorMessage(connection_.get());
                connection_.reset();
                return nullptr;
            }
        }
        std::vector<const char*> values;
        for (const std::string& parameter : parameters)
            values.push_back(parameter.c_str());
        Result result(PQexecParams(connection_.get(), sql, static_cast<int>(values.size()), nullptr, values.data(),
                                   nullptr, nullptr, 0));
        const ExecStatusType status = PQresultStatus(result.get());
        if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK)
            return result;
        error = result ? PQresultErrorMessage(result.get()) : PQerrorMessage(connection_.get());
        return nullptr;
    }

    const std::string address_;
    mutable std::mutex mutex_;
    mutable std::unique_ptr<PGconn, ConnectionDeleter> connection_;
};

} // namespace

std::unique_ptr<GlossaryStore> OpenPostgresGlossaryStore(const std::string& address, std::string& error)
{
    if (!FeedbackStore::open(address, FeedbackStore::Mode::ReadWrite, error))
        return nullptr;
    auto store = std::make_unique<PostgresGlossaryStore>(address);
    std::vector<GlossaryEntry> none;
    if (store->list("-", "-", none, error) != GlossaryStore::Outcome::Done)
        return nullptr;
    return store;
}

} // namespace quillo::server
