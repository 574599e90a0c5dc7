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

class FeedbackStore {
public:
    enum class Mode { ReadWrite, ReadOnly };

    // Opens (and in read-write mode creates) the database; nullptr with `error` set on failure.
    static std::unique_ptr<FeedbackStore> open(const std::string& path, Mode mode, std::string& error);
    ~FeedbackStore();
    FeedbackStore(const FeedbackStore&) = delete;
    FeedbackStore& operator=(const FeedbackStore&) = delete;

    // True only once the row is committed; sets message.id and message.received.
    bool add(FeedbackMessage& message, std::string& error);
    bool all(std::vector<FeedbackMessage>& messages, std::string& error) const;

    static std::string defaultPath(const std::string& dataDirectory);

private:
    explicit FeedbackStore(sqlite3* db) : db_(db) {}
    sqlite3* db_;
    mutable std::mutex mutex_;
};

// The message as the user typed it: "&nbsp;" back to a blank, "<br>" back to a carriage return.
std::string TypedText(std::string_view stored);

} // namespace quillo::server
