#include "server/engines/apertium/PipelineKeeper.h"

#include "server/base/Log.h"

#include <algorithm>

namespace quillo::server {

namespace {

using Clock = ApertiumPipeline::Clock;

// A pipeline past its idle time that is still translating is looked at again this much later.
std::chrono::milliseconds retryInterval(std::chrono::milliseconds idle)
{
    return std::clamp(idle / 4, std::chrono::milliseconds(5), std::chrono::milliseconds(1000));
}

} // namespace

PipelineKeeper::PipelineKeeper(std::vector<ApertiumPipeline*> pipelines, PipelineLimits limits)
    : pipelines_(std::move(pipelines)), limits_(limits)
{
    if (limits_.warmAtStart && limits_.maxWarm > 0 && !pipelines_.empty())
        warmer_ = std::thread([this] { warmUpFirst(); });
    if (limits_.idleTimeout.count() > 0)
        reaper_ = std::thread([this] { reapUntilStopped(); });
}

PipelineKeeper::~PipelineKeeper()
{
    {
        std::lock_guard lock(stopMutex_);
        stopping_ = true;
    }
    stopWake_.notify_all();
    queued_.notify_all();
    if (warmer_.joinable())
        warmer_.join();
    if (queueWarmer_.joinable())
        queueWarmer_.join();
    if (reaper_.joinable())
        reaper_.join();
}

void PipelineKeeper::warmUpFirst()
{
    const size_t count = std::min(limits_.maxWarm, pipelines_.size());
    for (size_t i = 0; i < count; ++i) {
        {
            std::lock_guard lock(stopMutex_);
            if (stopping_)
                return;
        }
        const BackendResult result = pipelines_[i]->warmUp();
        if (!result.ok)
            LogWarning("apertium " + pipelines_[i]->mode() + " could not be started: " + result.error);
        wakeReaper();
    }
}

void PipelineKeeper::warmSoon(ApertiumPipeline* pipeline)
{
    if (pipeline->warm())
        return;
    {
        std::lock_guard lock(stopMutex_);
        if (stopping_)
            return;
        warmQueue_.push_back(pipeline);
        if (!queueWarmer_.joinable())
            queueWarmer_ = std::thread([this] { warmQueued(); });
    }
    queued_.notify_all();
}

void PipelineKeeper::warmQueued()
{
    std::unique_lock lock(stopMutex_);
    for (;;) {
        queued_.wait(lock, [this] { return stopping_ || !warmQueue_.empty(); });
        if (stopping_)
            return;
        ApertiumPipeline* pipeline = warmQueue_.front();
        warmQueue_.erase(warmQueue_.begin());
        lock.unlock();
        const BackendResult result = pipeline->warmUp();
        if (!result.ok)
            LogWarning("apertium " + pipeline->mode() + " could not be started: " + result.error);
        enforceCap();
        lock.lock();
    }
}

// The reaper sleeps until the first warm pipeline could have been idle for the idle time, and
// while none is warm until one is used: an idle server is not woken for nothing.
void PipelineKeeper::reapUntilStopped()
{
    std::unique_lock lock(stopMutex_);
    while (!stopping_) {
        std::optional<Clock::time_point> due = firstIdleEnd();
        if (due)
            due = std::max(*due, Clock::now() + retryInterval(limits_.idleTimeout));
        reaperWaitsForUse_ = !due;
        if (due)
            stopWake_.wait_until(lock, *due);
        else
            stopWake_.wait(lock);
        reaperWaitsForUse_ = false;
        if (stopping_)
            break;
        lock.unlock();
        endIdle();
        enforceCap();
        lock.lock();
    }
}

std::optional<PipelineKeeper::Clock::time_point> PipelineKeeper::firstIdleEnd() const
{
    std::optional<Clock::time_point> first;
    for (const ApertiumPipeline* pipeline : pipelines_) {
        if (!pipeline->warm())
            continue;
        const Clock::time_point end = pipeline->lastUsed() + limits_.idleTimeout;
        if (!first || end < *first)
            first = end;
    }
    return first;
}

void PipelineKeeper::wakeReaper()
{
    std::lock_guard lock(stopMutex_);
    if (reaperWaitsForUse_)
        stopWake_.notify_all();
}

void PipelineKeeper::endIdle()
{
    const Clock::time_point usedUpTo = Clock::now() - limits_.idleTimeout;
    for (ApertiumPipeline* pipeline : pipelines_) {
        if (pipeline->warm() && pipeline->lastUsed() <= usedUpTo)
            pipeline->endIfUnusedSince(usedUpTo);
    }
}

void PipelineKeeper::enforceCap()
{
    wakeReaper();
    std::lock_guard lock(capMutex_);
    // Last uses are taken once: they change under our feet, and sorting needs fixed keys.
    std::vector<std::pair<Clock::time_point, ApertiumPipeline*>> warm;
    for (ApertiumPipeline* pipeline : pipelines_) {
        if (pipeline->warm())
            warm.emplace_back(pipeline->lastUsed(), pipeline);
    }
    if (warm.size() <= limits_.maxWarm)
        return;
    std::sort(warm.begin(), warm.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    size_t excess = warm.size() - limits_.maxWarm;
    for (const auto& [lastUsed, pipeline] : warm) {
        if (excess == 0)
            break;
        // A pipeline in use, or used since we looked, is kept; the reaper's next round tries again.
        if (pipeline->endIfUnusedSince(lastUsed))
            --excess;
    }
}

std::vector<std::string> PipelineKeeper::warmModes() const
{
    std::vector<std::string> modes;
    for (const ApertiumPipeline* pipeline : pipelines_) {
        if (pipeline->warm())
            modes.push_back(pipeline->mode());
    }
    return modes;
}

} // namespace quillo::server
