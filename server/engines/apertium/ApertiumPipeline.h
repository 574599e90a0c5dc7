#pragma once
// One direction of Apertium as a warm shell pipeline in null-flush mode. A request holds the
// pipeline's lock for its whole round trip, and ending the processes (idle timer, cap) takes the
// same lock and gives up when a request holds it; so a request either finds the processes
// running and keeps them to the end of its exchange, or finds them ended and starts them afresh.
// A pipeline that failed is started afresh by the next request.
//
// An exchange sends its texts as null-flush records, one after the other, each ending in its
// own number, and closes them with an end record: the stages work on one record while the next
// is on its way, no word of one text can move into another, and the numbered records that come
// back before the end record tell whether every boundary survived. A stage that lost or split
// a record is seen at once, not as a text put in another's place, nor as output left over for
// the next exchange.

#include "server/engines/TranslationBackend.h"

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

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

    struct Batch {
        enum class Status { Done, CountMismatch, Failed };
        Status status = Status::Failed;
        std::vector<std::string> outputs; // one for each text, in order, when Done
        std::string error;
    };

    // Texts in Apertium's stream format through the direction in one exchange. CountMismatch
    // means the processes answered, but not with one record for each text: the outputs cannot
    // be told apart, and the processes stay as they are. Failed means they did not answer
    // (time-out, ended, too much output); they are stopped and the next exchange starts them.
    Batch translate(const std::vector<std::string>& streams);

    // Starts the processes and sends one short sentence through, so that every stage has loaded
    // its data before the first request comes. Nothing happens when they already run.
    BackendResult warmUp();

    // Ends the processes when no request holds the pipeline and none has used it after
    // `usedUpTo`. A request that came in between keeps them: it is the newer user.
    bool endIfUnusedSince(Clock::time_point usedUpTo);

    // Read without the lock: a hint for choosing what to end, decided again under the lock.
    bool warm() const { return warm_.load(); }
    Clock::time_point lastUsed() const { return Clock::time_point(Clock::duration(lastUsed_.load())); }

private:
    Batch exchangeLocked(const std::vector<std::string>& streams);
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
