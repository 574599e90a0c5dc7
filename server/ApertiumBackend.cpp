#include "server/ApertiumBackend.h"

#include "server/PipeProcess.h"

#include <array>
#include <filesystem>
#include <regex>

#include <unistd.h>

namespace quillo::server {

namespace {

constexpr size_t kMaxOutput = 4 * 1024 * 1024;

// Apertium names languages by ISO 639-3 or 639-1 codes; the service uses 639-1.
std::string shortCode(const std::string& code)
{
    static constexpr std::array<std::pair<std::string_view, std::string_view>, 12> codes{{
        {"eng", "en"}, {"spa", "es"}, {"fra", "fr"}, {"por", "pt"}, {"ita", "it"}, {"nld", "nl"},
        {"deu", "de"}, {"ell", "el"}, {"rus", "ru"}, {"jpn", "ja"}, {"kor", "ko"}, {"zho", "zh"},
    }};
    for (const auto& [longCode, shortOne] : codes) {
        if (code == longCode)
            return std::string(shortOne);
    }
    return code;
}

bool onPath(const std::string& program)
{
    const char* path = std::getenv("PATH");
    if (!path)
        return false;
    std::string_view rest(path);
    while (!rest.empty()) {
        const size_t colon = rest.find(':');
        const std::string dir(rest.substr(0, colon));
        if (!dir.empty() && ::access((dir + "/" + program).c_str(), X_OK) == 0)
            return true;
        if (colon == std::string_view::npos)
            break;
        rest.remove_prefix(colon + 1);
    }
    return false;
}

std::map<std::pair<std::string, std::string>, std::string> findModes(const std::string& directory)
{
    std::map<std::pair<std::string, std::string>, std::string> modes;
    static const std::regex plainDirection("^([a-z]{2,3})-([a-z]{2,3})\\.mode$");
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(directory, error)) {
        const std::string file = entry.path().filename().string();
        std::smatch match;
        if (!std::regex_match(file, match, plainDirection))
            continue;
        const auto key = std::make_pair(shortCode(match[1]), shortCode(match[2]));
        const std::string mode = file.substr(0, file.size() - 5);
        // Where two spellings exist ("es-pt", "spa-por") keep one, the same on every run.
        auto [it, inserted] = modes.emplace(key, mode);
        if (!inserted && mode < it->second)
            it->second = mode;
    }
    return modes;
}

void replaceAll(std::string& text, std::string_view from, std::string_view to)
{
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

} // namespace

// One warm direction. A request holds the pipeline for its whole round trip; a pipeline that
// failed is started afresh by the next request.
class ApertiumPipeline {
public:
    ApertiumPipeline(std::string modeFile, std::chrono::milliseconds timeout)
        : modeFile_(std::move(modeFile)), timeout_(timeout)
    {
    }

    BackendResult translate(const std::string& stream)
    {
        std::lock_guard lock(mutex_);
        std::string error;
        if (!process_ && !startPipeline(error))
            return {false, {}, error};
        if (!process_->running() && !process_->start(error))
            return {false, {}, error};
        // The bilingual lookup (lt-proc -b) passes a NUL on at once only when a blank stands
        // before it; an empty superblank is such a blank and leaves no trace in the text.
        std::string output;
        if (!process_->exchange(stream + "[]" + '\0', '\0', timeout_, kMaxOutput, output, error))
            return {false, {}, error};
        return {true, std::move(output), {}};
    }

private:
    bool startPipeline(std::string& error)
    {
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
        return process_->start(error);
    }

    const std::string modeFile_;
    const std::chrono::milliseconds timeout_;
    std::mutex mutex_;
    std::unique_ptr<PipeProcess> process_;
};

ApertiumBackend::ApertiumBackend(ApertiumOptions options)
    : options_(std::move(options)), modes_(findModes(options_.modesDirectory))
{
    for (const auto& [pair, mode] : modes_) {
        pipelines_.emplace(mode, std::make_unique<ApertiumPipeline>(
                                     options_.modesDirectory + "/" + mode + ".mode", options_.timeout));
    }
}

ApertiumBackend::~ApertiumBackend() = default;

bool ApertiumBackend::installed(const std::string& modesDirectory)
{
    return onPath("apertium-wblank-mode") && onPath("lt-proc") && !findModes(modesDirectory).empty();
}

std::vector<std::string> ApertiumBackend::route(std::string_view source, std::string_view target) const
{
    auto direct = [this](std::string_view from, std::string_view to) -> const std::string* {
        const auto it = modes_.find({std::string(from), std::string(to)});
        return it == modes_.end() ? nullptr : &it->second;
    };
    if (source == target)
        return {};
    if (const std::string* mode = direct(source, target))
        return {*mode};
    const std::string* first = direct(source, options_.pivot);
    const std::string* second = direct(options_.pivot, target);
    if (first && second)
        return {*first, *second};
    return {};
}

bool ApertiumBackend::covers(std::string_view source, std::string_view target) const
{
    return source == target || !route(source, target).empty();
}

BackendResult ApertiumBackend::translate(const TranslationRequest& request)
{
    if (request.source->code == request.target->code)
        return {true, request.text, {}};
    std::string stream = escape(request.text);
    for (const std::string& mode : route(request.source->code, request.target->code)) {
        BackendResult step = pipelines_.at(mode)->translate(stream);
        if (!step.ok) {
            step.error = mode + ": " + step.error;
            return step;
        }
        stream = std::move(step.text);
    }
    return {true, unescape(stream), {}};
}

std::string ApertiumBackend::escape(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    for (char c : text) {
        switch (c) {
        case '\0':
            break; // the end-of-text mark of the pipeline
        case '~':
            out += "[~]";
            break;
        case '\\': case '[': case ']': case '^': case '$': case '/': case '@':
        case '<': case '>': case '{': case '}':
            out.push_back('\\');
            out.push_back(c);
            break;
        default:
            out.push_back(c);
        }
    }
    return out;
}

std::string ApertiumBackend::unescape(std::string_view stream)
{
    std::string out;
    out.reserve(stream.size());
    for (size_t i = 0; i < stream.size(); ++i) {
        const char c = stream[i];
        if (c == '\\' && i + 1 < stream.size())
            out.push_back(stream[++i]);
        else if (c != '[' && c != ']')
            out.push_back(c);
    }
    return out;
}

} // namespace quillo::server
