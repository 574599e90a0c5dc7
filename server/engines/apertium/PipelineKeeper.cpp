#include "server/engines/apertium/PipelineKeeper.h"

#include "server/base/Log.h"

#include <algorithm>

namespace quillo::server {

namespace {

using Clock = ApertiumPipeline::Clock;

// Often enough that a pipeline ends within a quarter of the idle time after it, rarely enough
// to cost nothing; the bounds keep short test timeouts and long deployments both sensible.
std::chrono::milliseconds reapInterval(std::chrono::milliseconds idle)
{
    return std::clamp(idle / 4, std::chrono::milliseconds(5), std::chrono::milliseconds(1000));
}

} // namespace

PipelineKeeper::PipelineKeeper(std::vector<ApertiumPipeline*> pipelines, PipelineLimits limits)
    : pipelines_(std::move(pipelines)), limits_(limits)
{
    if (limits_.maxWarm > 0 && !pipelines_.empty())
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
    if (warmer_.joinable())
        warmer_.join();
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
    }
}

void PipelineKeeper::reapUntilStopped()
{
    const auto interval = reapInterval(limits_.idleTimeout);
    std::unique_lock lock(stopMutex_);
    while (!stopWake_.wait_for(lock, interval, [this] { return stopping_; })) {
        lock.unlock();
        endIdle();
        enforceCap();
        lock.lock();
    }
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
