#pragma once
// The feedback messages, in SQLite: WAL journal with synchronous FULL, so a message counts as
// stored only once its commit is on disk. One connection, used under a lock.

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

struct sqlite3;

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

    // Opens (and in read-write mode creates) the database; nullptr with `error` set on failure.
    static std::unique_ptr<FeedbackStore> open(const std::string& path, Mode mode, std::string& error);
    ~FeedbackStore();
    FeedbackStore(const FeedbackStore&) = delete;
    FeedbackStore& operator=(const FeedbackStore&) = delete;

    // Stored only once the row is committed; sets message.id and message.received.
    Added add(FeedbackMessage& message, std::string& error);
    void setLimits(FeedbackLimits limits);
    bool all(std::vector<FeedbackMessage>& messages, std::string& error) const;
    // Whether the database answers a query now.
    bool reachable(std::string& error) const;

    static std::string defaultPath(const std::string& dataDirectory);

private:
    explicit FeedbackStore(sqlite3* db) : db_(db) {}
    bool hasRoomToday(size_t bytes, std::string& error) const;

    sqlite3* db_;
    FeedbackLimits limits_;
    mutable std::mutex mutex_;
};

// The message as the user typed it: "&nbsp;" back to a blank, "<br>" back to a carriage return.
std::string TypedText(std::string_view stored);

} // namespace quillo::server
