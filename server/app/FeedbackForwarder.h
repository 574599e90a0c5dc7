#pragma once
// Forwards the messages of the feedback outbox to another quillo-server's feedback script,
// oldest first, until each is accepted (its reply holds the acceptance line). A failed attempt
// is tried again later, waiting longer each time (5 s, doubling, at most an hour). The outbox is
// in the store, so a restart picks up what the last run left; the thread sleeps until a message
// is stored or the next attempt falls due.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace quillo::server {

class FeedbackStore;
struct OutboxEntry;

class FeedbackForwarder {
public:
    // `upstream` is the other server's base address, as the program's QUILLO_SERVICE would be.
    FeedbackForwarder(FeedbackStore& store, std::string upstream);
    // Calls off a transfer in progress; what was not accepted stays in the outbox.
    ~FeedbackForwarder();
    FeedbackForwarder(const FeedbackForwarder&) = delete;
    FeedbackForwarder& operator=(const FeedbackForwarder&) = delete;

    void messageStored();

private:
    void run();
    // Nothing when the upstream accepted the message, else when to try again.
    std::optional<std::chrono::seconds> send(const OutboxEntry& entry);

    FeedbackStore& store_;
    const std::string scriptAddress_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool pending_ = true; // look at the outbox before sleeping
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

// Whether a feedback script's reply (GBK) holds the line that says the message was stored.
bool IsAcceptedFeedbackReply(const std::string& body);

} // namespace quillo::server
