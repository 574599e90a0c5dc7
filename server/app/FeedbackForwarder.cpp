#include "server/app/FeedbackForwarder.h"

#include "server/base/Log.h"
#include "server/base/TextCodec.h"
#include "server/base/WorkCancel.h"
#include "server/fetch/ApiCall.h"
#include "server/stores/FeedbackStore.h"

#include <algorithm>
#include <vector>

namespace quillo::server {

namespace {

constexpr size_t kBatch = 16;
// An instance that dies while sending leaves its claim to lapse; the message is sent again then.
constexpr std::chrono::seconds kClaimLease{120};
constexpr std::chrono::seconds kFirstRetry{5};
constexpr std::chrono::seconds kLongestRetry{3600};
constexpr std::chrono::seconds kStoreRetry{30};
constexpr std::chrono::seconds kSendTime{30};

std::chrono::seconds retryAfter(int attempts)
{
    return std::min(kFirstRetry * (int64_t(1) << std::clamp(attempts, 0, 12)), kLongestRetry);
}

std::string withoutTrailingSlash(std::string address)
{
    while (!address.empty() && address.back() == '/')
        address.pop_back();
    return address;
}

} // namespace

bool IsAcceptedFeedbackReply(const std::string& body)
{
    const std::string text = GbkToUtf8(body).value_or(std::string());
    size_t start = 0;
    while (start <= text.size()) {
        const size_t end = std::min(text.find_first_of("\r\n", start), text.size());
        if (text.compare(start, end - start, "留言成功") == 0)
            return true;
        start = end + 1;
    }
    return false;
}

FeedbackForwarder::FeedbackForwarder(FeedbackStore& store, std::string upstream)
    : store_(store)
    , scriptAddress_(withoutTrailingSlash(std::move(upstream)) + "/translation/feedback/addinfo.asp")
    , thread_([this] { run(); })
{
}

FeedbackForwarder::~FeedbackForwarder()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void FeedbackForwarder::messageStored()
{
    {
        std::lock_guard lock(mutex_);
        pending_ = true;
    }
    wake_.notify_all();
}

void FeedbackForwarder::run()
{
    const CancelScope calledOffAtStop(stopping_);
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        pending_ = false;
        lock.unlock();
        std::vector<OutboxEntry> entries;
        std::string error;
        const bool claimed = store_.claimOutbox(kBatch, kClaimLease, entries, error);
        if (!claimed)
            LogWarning("feedback outbox unreadable: " + error);
        for (const OutboxEntry& entry : entries) {
            if (stopping_)
                break;
            const std::optional<std::chrono::seconds> retry = send(entry);
            if (!store_.settleOutbox(entry.id, retry, error))
                LogWarning("feedback #" + std::to_string(entry.id) + " outbox not updated: " + error);
        }
        std::optional<std::chrono::system_clock::time_point> next;
        if (!claimed)
            next = std::chrono::system_clock::now() + kStoreRetry;
        else if (entries.size() == kBatch)
            next = std::chrono::system_clock::now();
        else
            next = store_.nextOutboxDue(error);
        lock.lock();
        const auto woken = [this] { return stopping_ || pending_; };
        if (next)
            wake_.wait_until(lock, *next, woken);
        else
            wake_.wait(lock, woken);
    }
}

std::optional<std::chrono::seconds> FeedbackForwarder::send(const OutboxEntry& entry)
{
    ApiRequest request;
    request.url = scriptAddress_;
    request.headers = {"Content-Type: application/x-www-form-urlencoded"};
    request.body = entry.raw;
    const ApiReply reply = CallApi(request, std::chrono::steady_clock::now() + kSendTime);
    if (reply.answered && reply.status == 200 && IsAcceptedFeedbackReply(reply.body)) {
        LogInfo("feedback #" + std::to_string(entry.id) + " forwarded to " + scriptAddress_);
        return std::nullopt;
    }
    const std::chrono::seconds retry = retryAfter(entry.attempts);
    LogWarning("feedback #" + std::to_string(entry.id) + " not accepted by " + scriptAddress_ + " ("
               + (reply.answered ? "HTTP " + std::to_string(reply.status) : reply.error) + "); trying again in "
               + std::to_string(retry.count()) + " s");
    return retry;
}

} // namespace quillo::server
