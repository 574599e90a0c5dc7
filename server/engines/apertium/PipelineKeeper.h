#pragma once
// Keeps the warm Apertium pipelines within bounds: starts the first ones in the background when
// the server starts, ends a pipeline that has been idle for a while, and ends the least recently
// used idle ones when more than a cap are warm. Pipelines are only ever ended through
// ApertiumPipeline::endIfUnusedSince, which gives way to a request that holds the pipeline, so
// none of this can cut a translation short; a request that finds its pipeline ended starts it
// again and waits only for its own.

#include "server/engines/apertium/ApertiumPipeline.h"

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace quillo::server {

struct PipelineLimits {
    std::chrono::milliseconds idleTimeout{std::chrono::minutes(10)}; // 0: never end for idleness
    size_t maxWarm = 2;                                               // 0: no pipeline kept warm
    bool warmAtStart = true; // the first maxWarm start with the keeper; else only when needed
};

class PipelineKeeper {
public:
    // `pipelines` outlive the keeper. The first `limits.maxWarm` of them are started at once,
    // in that order, on a thread of the keeper's own.
    PipelineKeeper(std::vector<ApertiumPipeline*> pipelines, PipelineLimits limits);
    ~PipelineKeeper();
    PipelineKeeper(const PipelineKeeper&) = delete;
    PipelineKeeper& operator=(const PipelineKeeper&) = delete;

    // After a request has used a pipeline: ends idle ones beyond the cap, oldest first.
    void enforceCap();

    // Starts the pipeline on a thread of the keeper's, unless it runs already; returns at once.
    void warmSoon(ApertiumPipeline* pipeline);

    // The modes whose processes run now, in the keeper's order.
    std::vector<std::string> warmModes() const;

private:
    void warmUpFirst();
    void warmQueued();
    void reapUntilStopped();
    void endIdle();
    void wakeReaper();
    using Clock = ApertiumPipeline::Clock;
    std::optional<Clock::time_point> firstIdleEnd() const;

    const std::vector<ApertiumPipeline*> pipelines_;
    const PipelineLimits limits_;
    std::mutex capMutex_; // one trimming at a time, so two requests do not both end one each
    std::mutex stopMutex_;
    std::condition_variable stopWake_;
    bool stopping_ = false;
    bool reaperWaitsForUse_ = false; // with stopMutex_
    std::thread warmer_;
    std::vector<ApertiumPipeline*> warmQueue_; // with stopMutex_
    std::condition_variable queued_;
    std::thread queueWarmer_; // started with the first warmSoon
    std::thread reaper_;
};

} // namespace quillo::server
