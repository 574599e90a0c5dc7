#pragma once
// The feedback messages: in SQLite by default (WAL journal with synchronous FULL, one connection
// under a lock), or in PostgreSQL for several instances. Either way a message counts as stored
// only once its commit is on disk, and the daily caps count every row of the database.

#include <cstdint>
#include <memory>
#include <mutex>
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

// What one day (UTC) may add: a flood of messages cannot fill the disk.
struct FeedbackLimits {
    size_t rowsPerDay = 2000;
    size_t bytesPerDay = 32 * 1024 * 1024; // of raw bodies
};

class FeedbackStore {
public:
    enum class Mode { ReadWrite, ReadOnly };
    enum class Added { Stored, OverDailyLimit, Failed };

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
    // Whether the database answers a query on the messages now.
    virtual bool reachable(std::string& error) const = 0;
    void setLimits(FeedbackLimits limits);

    static std::string defaultPath(const std::string& dataDirectory);

protected:
    FeedbackLimits limits() const;
    static std::string nowUtc(const char* format = "%Y-%m-%dT%H:%M:%SZ");

private:
    FeedbackLimits limits_;
    mutable std::mutex limitsMutex_;
};

// The message as the user typed it: "&nbsp;" back to a blank, "<br>" back to a carriage return.
std::string TypedText(std::string_view stored);

} // namespace quillo::server
