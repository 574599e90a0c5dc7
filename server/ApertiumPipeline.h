#pragma once
// One direction of Apertium as a warm shell pipeline in null-flush mode. A request holds the
// pipeline's lock for its whole round trip, and ending the processes (idle timer, cap) takes the
// same lock and gives up when a request holds it; so a request either finds the processes
// running and keeps them to the end of its exchange, or finds them ended and starts them afresh.
// A pipeline that failed is started afresh by the next request.

#include "server/TranslationBackend.h"

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>

namespace quillo::server {

class PipeProcess;

class ApertiumPipeline {
public:
    using Clock = std::chrono::steady_clock;

    ApertiumPipeline(std::string mode, std::string modeFile, std::chrono::milliseconds timeout);
    ~ApertiumPipeline();
    ApertiumPipeline(const ApertiumPipeline&) = delete;
    ApertiumPipeline& operator=(const ApertiumPipeline&) = delete;

    const std::string& mode() const { return mode_; }

    // One text in Apertium's stream format through the direction.
    BackendResult translate(const std::string& stream);

    // Starts the processes and sends one empty text through, so that every stage has loaded its
    // data before the first request comes. Nothing happens when they already run.
    BackendResult warmUp();

    // Ends the processes when no request holds the pipeline and none has used it after
    // `usedUpTo`. A request that came in between keeps them: it is the newer user.
    bool endIfUnusedSince(Clock::time_point usedUpTo);

    // Read without the lock: a hint for choosing what to end, decided again under the lock.
    bool warm() const { return warm_.load(); }
    Clock::time_point lastUsed() const { return Clock::time_point(Clock::duration(lastUsed_.load())); }

private:
    BackendResult exchangeLocked(const std::string& stream);
    bool startLocked(std::string& error);
    void stopLocked();

    const std::string mode_;
    const std::string modeFile_;
    const std::chrono::milliseconds timeout_;
    std::mutex mutex_;
    std::unique_ptr<PipeProcess> process_;
    std::atomic<bool> warm_{false};
    std::atomic<Clock::rep> lastUsed_{0};
};

} // namespace quillo::server
