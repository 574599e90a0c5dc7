#pragma once
// The feedback messages: in SQLite by default (WAL journal with synchronous FULL, one connection
// under a lock), or in PostgreSQL for several instances. Either way a message counts as stored
// only once its commit is on disk, and the daily caps count every row of the database. Every wait
// is bounded (for the connection, for each statement), so a stalled database makes requests fail
// quickly instead of holding their threads.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace quillo::server {

// Every field as it arrived, decoded to UTF-8 ("&nbsp;" and "<br>" of the message still in).
struct FeedbackMessage {
    int64_t id = 0;
    std::string received; // UTC, ISO 8601, set by the store
    std::string remote;   // the client's address
    std::string user, name, email, title, text, image, home, time;
    std::string raw; // the request body, byte for byte
};

// A stored message on its way to another server: what is sent, and how often it failed.
struct OutboxEntry {
    int64_t id = 0;
    std::string raw;
    int attempts = 0;
};

// What one day (UTC) may add: a flood of messages cannot fill the disk.
struct FeedbackLimits {
    size_t rowsPerDay = 2000;
    size_t bytesPerDay = 32 * 1024 * 1024; // of raw bodies
    std::chrono::milliseconds connectionWait{5000}; // for the connection (or the lock on it)
    std::chrono::milliseconds statementTime{5000};  // for each statement, a database lock included
    uint64_t minimumFreeBytes = 16 * 1024 * 1024;   // on the file's disk, for readiness (SQLite)
};

class FeedbackStore {
public:
    enum class Mode { ReadWrite, ReadOnly };
    // Unavailable: the database did not answer, or no connection came free, in time.
    enum class Added { Stored, OverDailyLimit, Unavailable, Failed };

    // Opens (and in read-write mode creates or migrates) the database: a "postgresql://" or
    // "postgres://" address, else the path of a SQLite file. nullptr with `error` set on failure.
    static std::unique_ptr<FeedbackStore> open(const std::string& location, Mode mode, std::string& error);
    static bool isPostgresAddress(const std::string& location);
    FeedbackStore() = default;
    virtual ~FeedbackStore() = default;
    FeedbackStore(const FeedbackStore&) = delete;
    FeedbackStore& operator=(const FeedbackStore&) = delete;

    // Stored only once the row is committed; sets message.id and message.received.
    virtual Added add(FeedbackMessage& message, std::string& error) = 0;
    virtual bool all(std::vector<FeedbackMessage>& messages, std::string& error) const = 0;
    // Why no message could be stored now, one reason a line ("database unreachable: ...",
    // "database does not answer: ...", "disk full: ...", "database schema unusable: ..."); empty
    // when the store can take messages. Waits a shorter time than a message would.
    std::vector<std::string> readinessProblems() const;
    void setLimits(FeedbackLimits limits);

    // The outbox: with it on, every message added also waits there, in the same commit, until
    // settled as accepted, so nothing acknowledged to a sender is lost by a restart.
    void keepOutbox(bool on) { outbox_ = on; }
    bool keepsOutbox() const { return outbox_; }
    // Up to `limit` entries that are due, oldest first, each held back from other claims for
    // `lease` (an instance that dies forwarding leaves it to be claimed again then).
    virtual bool claimOutbox(size_t limit, std::chrono::seconds lease, std::vector<OutboxEntry>& entries,
                             std::string& error) = 0;
    // Accepted (no `retryIn`): out of the outbox; else one more attempt, due again after `retryIn`.
    virtual bool settleOutbox(int64_t id, std::optional<std::chrono::seconds> retryIn, std::string& error) = 0;
    // When the next entry falls due; nothing for an empty outbox.
    virtual std::optional<std::chrono::system_clock::time_point> nextOutboxDue(std::string& error) = 0;

    static std::string defaultPath(const std::string& dataDirectory);

protected:
    enum class Probe { Ready, Unreachable, NoAnswer, Schema };
    // Reads the messages' columns and makes sure a write could begin, within `limits`.
    virtual Probe probe(const FeedbackLimits& limits, std::string& error) const = 0;
    // The file whose disk should have room; empty when the disk is the database server's.
    virtual std::string localFile() const { return {}; }
    FeedbackLimits limits() const;
    // A write that failed for want of room: reported by readiness until a write succeeds.
    void noteDiskFull(bool full, const std::string& error = {});
    static std::string nowUtc(const char* format = "%Y-%m-%dT%H:%M:%SZ");
    // Outbox times are whole seconds since the epoch.
    static int64_t nowSeconds();

    // Every column of the messages, as a query that reads none of them: fails on a schema we cannot use.
    static constexpr const char* kColumnsProbe =
        "SELECT id, received, remote, \"user\", name, email, title, text, image, home, time, raw FROM messages LIMIT 0";

private:
    FeedbackLimits limits_;
    std::string diskFullError_;
    std::atomic<bool> outbox_{false};
    mutable std::mutex limitsMutex_;
};

// The message as the user typed it: "&nbsp;" back to a blank, "<br>" back to a carriage return.
std::string TypedText(std::string_view stored);

} // namespace quillo::server
