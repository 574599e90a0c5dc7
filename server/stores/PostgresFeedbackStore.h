#pragma once
// The feedback messages in PostgreSQL, shared by every instance of the service. The migrations
// of server/stores/migrations/postgresql are applied at start, under a lock, in the order of their
// names. An insert and its daily-cap check run in one transaction under a lock of their own, so
// the caps hold across instances; a message counts as stored once COMMIT has answered.

#include "server/stores/FeedbackStore.h"

#include <condition_variable>
#include <mutex>
#include <vector>

struct pg_conn;

namespace quillo::server {

class PostgresFeedbackStore final : public FeedbackStore {
public:
    static std::unique_ptr<FeedbackStore> open(const std::string& address, Mode mode, std::string& error);
    ~PostgresFeedbackStore() override;

    Added add(FeedbackMessage& message, std::string& error) override;
    bool all(std::vector<FeedbackMessage>& messages, std::string& error) const override;
    bool claimOutbox(size_t limit, std::chrono::seconds lease, std::vector<OutboxEntry>& entries,
                     std::string& error) override;
    bool settleOutbox(int64_t id, std::optional<std::chrono::seconds> retryIn, std::string& error) override;
    std::optional<std::chrono::system_clock::time_point> nextOutboxDue(std::string& error) override;

protected:
    Probe probe(const FeedbackLimits& limits, std::string& error) const override;

private:
    class Lease;
    explicit PostgresFeedbackStore(std::string address) : address_(std::move(address)) {}
    bool migrate(std::string& error);
    pg_conn* acquire(const FeedbackLimits& limits, std::string& error, bool& noneFree) const;
    void release(pg_conn* connection) const;

    const std::string address_;
    const size_t maxConnections_ = 8;
    mutable std::mutex mutex_;
    mutable std::condition_variable returned_;
    mutable std::vector<pg_conn*> idle_;
    mutable size_t open_ = 0;
};

} // namespace quillo::server
