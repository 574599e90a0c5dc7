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
#include <string>
#include <thread>
#include <vector>

namespace quillo::server {

struct PipelineLimits {
    std::chrono::milliseconds idleTimeout{std::chrono::minutes(10)}; // 0: never end for idleness
    size_t maxWarm = 2;                                               // 0: no pipeline kept warm
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

    // The modes whose processes run now, in the keeper's order.
    std::vector<std::string> warmModes() const;

private:
    void warmUpFirst();
    void reapUntilStopped();
    void endIdle();

    const std::vector<ApertiumPipeline*> pipelines_;
    const PipelineLimits limits_;
    std::mutex capMutex_; // one trimming at a time, so two requests do not both end one each
    std::mutex stopMutex_;
    std::condition_variable stopWake_;
    bool stopping_ = false;
    std::thread warmer_;
    std::thread reaper_;
};

} // namespace quillo::server
