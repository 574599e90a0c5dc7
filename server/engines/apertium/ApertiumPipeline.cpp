#include "server/engines/apertium/ApertiumPipeline.h"

#include "server/base/PipeProcess.h"

#include <algorithm>
#include <map>
#include <optional>
#include <string_view>

namespace quillo::server {

namespace {

using namespace std::string_view_literals;

constexpr size_t kMaxOutput = 4 * 1024 * 1024;

// Each record ends with a superblank holding its number: it passes every stage untouched and
// stays at the record's end, and no text can hold one, as escape() escapes "[" and "]". It is
// also the blank that the bilingual lookup (lt-proc -b) needs before a NUL to pass it on at once.
std::string recordEnd(size_t number)
{
    return "[" + std::to_string(number) + "]" + '\0';
}

constexpr std::string_view kExchangeEnd = "[quillo-exchange-end][]\0"sv;

// The records of an exchange's output, their numbers taken off, or nothing unless they are
// exactly the `expected` ones in order: a record that was lost and another that was split
// could otherwise add up to the right count.
std::optional<std::vector<std::string>> splitRecords(std::string_view output, size_t expected)
{
    std::vector<std::string> records;
    records.reserve(expected);
    while (!output.empty() && records.size() < expected) {
        const size_t end = output.find('\0');
        const std::string number = recordEnd(records.size());
        if (end == std::string_view::npos || !output.substr(0, end + 1).ends_with(number))
            return std::nullopt;
        records.emplace_back(output.substr(0, end + 1 - number.size()));
        output.remove_prefix(end + 1);
    }
    if (!output.empty() || records.size() != expected)
        return std::nullopt;
    return records;
}

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

ApertiumPipeline::Batch ApertiumPipeline::translate(const std::vector<std::string>& streams)
{
    std::lock_guard lock(mutex_);
    return exchangeLocked(streams);
}

namespace {

// A short sentence in the direction's source language ("eng-spa" -> English). An empty text passes
// the stages without any of them looking a word up, and the first request then paid for what
// each stage loads on its first word: a few milliseconds, more than the translation itself.
std::string warmUpText(const std::string& mode)
{
    static const std::map<std::string, std::string, std::less<>> sentences{
        {"en", "The house is good."}, {"eng", "The house is good."}, {"es", "La casa es buena."},
        {"spa", "La casa es buena."}, {"fr", "La maison est bonne."}, {"fra", "La maison est bonne."},
        {"pt", "A casa é boa."},      {"por", "A casa é boa."},      {"it", "La casa è bella."},
        {"ita", "La casa è bella."},
    };
    const auto known = sentences.find(std::string_view(mode).substr(0, mode.find('-')));
    return known == sentences.end() ? std::string("1.") : known->second;
}

} // namespace

BackendResult ApertiumPipeline::warmUp()
{
    std::lock_guard lock(mutex_);
    if (process_ && process_->running())
        return {true, {}, {}};
    Batch batch = exchangeLocked({warmUpText(mode_)});
    return {batch.status == Batch::Status::Done, {}, std::move(batch.error)};
}

bool ApertiumPipeline::endIfUnusedSince(Clock::time_point usedUpTo)
{
    std::unique_lock lock(mutex_, std::try_to_lock);
    if (!lock.owns_lock() || !process_ || !process_->running() || lastUsed() > usedUpTo)
        return false;
    stopLocked();
    return true;
}

ApertiumPipeline::Batch ApertiumPipeline::exchangeLocked(const std::vector<std::string>& streams)
{
    using Status = Batch::Status;
    std::string error;
    if ((!process_ || !process_->running()) && !startLocked(error))
        return {Status::Failed, {}, error};
    std::string input;
    for (size_t i = 0; i < streams.size(); ++i) {
        input += streams[i];
        input += recordEnd(i);
    }
    input += kExchangeEnd;
    lastUsed_.store(Clock::now().time_since_epoch().count());
    std::string output;
    const size_t maxOutput = std::max(kMaxOutput, 8 * input.size());
    const bool done = process_->exchange(input, kExchangeEnd, timeout_, maxOutput, output, error);
    lastUsed_.store(Clock::now().time_since_epoch().count());
    warm_.store(process_->running());
    if (!done)
        return {Status::Failed, {}, error};
    auto records = splitRecords(output, streams.size());
    if (!records)
        return {Status::CountMismatch, {}, "sent " + std::to_string(streams.size()) + " records, another number came back"};
    return {Status::Done, std::move(*records), {}};
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
