#include "server/ApertiumPipeline.h"

#include "server/PipeProcess.h"

namespace quillo::server {

namespace {

constexpr size_t kMaxOutput = 4 * 1024 * 1024;

void replaceAll(std::string& text, std::string_view from, std::string_view to)
{
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

} // namespace

ApertiumPipeline::ApertiumPipeline(std::string mode, std::string modeFile,
                                   std::chrono::milliseconds timeout)
    : mode_(std::move(mode)), modeFile_(std::move(modeFile)), timeout_(timeout)
{
}

ApertiumPipeline::~ApertiumPipeline() = default;

BackendResult ApertiumPipeline::translate(const std::string& stream)
{
    std::lock_guard lock(mutex_);
    return exchangeLocked(stream);
}

BackendResult ApertiumPipeline::warmUp()
{
    std::lock_guard lock(mutex_);
    if (process_ && process_->running())
        return {true, {}, {}};
    return exchangeLocked({});
}

bool ApertiumPipeline::endIfUnusedSince(Clock::time_point usedUpTo)
{
    std::unique_lock lock(mutex_, std::try_to_lock);
    if (!lock.owns_lock() || !process_ || !process_->running() || lastUsed() > usedUpTo)
        return false;
    stopLocked();
    return true;
}

BackendResult ApertiumPipeline::exchangeLocked(const std::string& stream)
{
    std::string error;
    if ((!process_ || !process_->running()) && !startLocked(error))
        return {false, {}, error};
    lastUsed_.store(Clock::now().time_since_epoch().count());
    // The bilingual lookup (lt-proc -b) passes a NUL on at once only when a blank stands
    // before it; an empty superblank is such a blank and leaves no trace in the text.
    std::string output;
    const bool done = process_->exchange(stream + "[]" + '\0', '\0', timeout_, kMaxOutput, output, error);
    lastUsed_.store(Clock::now().time_since_epoch().count());
    warm_.store(process_->running());
    if (!done)
        return {false, {}, error};
    return {true, std::move(output), {}};
}

bool ApertiumPipeline::startLocked(std::string& error)
{
    if (!process_) {
        std::string command;
        if (!PipeProcess::run({"apertium-wblank-mode", "-z", modeFile_}, timeout_, command, error))
            return false;
        // The mode's two placeholders: the generator's marking option (-n: unknown words
        // unmarked) and extra tagger options (none).
        replaceAll(command, "$1", "-n");
        replaceAll(command, "$2", "");
        while (!command.empty() && (command.back() == '\n' || command.back() == ' '))
            command.pop_back();
        process_ = std::make_unique<PipeProcess>(std::vector<std::string>{"bash", "-c", command});
    }
    const bool started = process_->start(error);
    warm_.store(started);
    return started;
}

void ApertiumPipeline::stopLocked()
{
    process_->stop();
    warm_.store(false);
}

} // namespace quillo::server
