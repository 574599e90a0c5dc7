#include "server/engines/apertium/ApertiumBackend.h"

#include "server/engines/apertium/ApertiumPipeline.h"
#include "server/base/Log.h"
#include "server/engines/apertium/PipelineKeeper.h"

#include <array>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include <unistd.h>

namespace quillo::server {

namespace {

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

bool installedProgram(const std::string& program)
{
    return program.find('/') != std::string::npos ? ::access(program.c_str(), X_OK) == 0 : onPath(program);
}

// The first program a mode's stages run that is not installed ("cg-proc" when cg3 is missing);
// empty when every stage can run. Such a pipeline starts, answers nothing and holds each request
// until its time-out, so its direction is better left out.
std::string missingProgram(const std::filesystem::path& modeFile)
{
    std::ifstream file(modeFile);
    std::string stage;
    while (std::getline(file, stage, '|')) {
        std::istringstream words(stage);
        std::string program;
        if (words >> program && !installedProgram(program))
            return program;
    }
    return {};
}

std::map<std::pair<std::string, std::string>, std::string> findModes(const std::string& directory,
                                                                     bool reportMissing = false)
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
        if (const std::string missing = missingProgram(entry.path()); !missing.empty()) {
            if (reportMissing)
                LogWarning(mode + " is left out: it runs " + missing + ", which is not installed");
            continue;
        }
        // Where two spellings exist ("es-pt", "spa-por") keep one, the same on every run.
        auto [it, inserted] = modes.emplace(key, mode);
        if (!inserted && mode < it->second)
            it->second = mode;
    }
    return modes;
}

} // namespace

ApertiumBackend::ApertiumBackend(ApertiumOptions options)
    : options_(std::move(options)), modes_(findModes(options_.modesDirectory, true))
{
    std::vector<ApertiumPipeline*> order;
    for (const auto& [pair, mode] : modes_) {
        auto [it, added] = pipelines_.emplace(
            mode, std::make_unique<ApertiumPipeline>(
                      mode, options_.modesDirectory + "/" + mode + ".mode", options_.timeout));
        if (added)
            order.push_back(it->second.get());
    }
    keeper_ = std::make_unique<PipelineKeeper>(std::move(order), options_.limits);
}

// The keeper goes first: its threads use the pipelines.
ApertiumBackend::~ApertiumBackend()
{
    keeper_.reset();
}

std::vector<std::string> ApertiumBackend::warmDirections() const
{
    return keeper_->warmModes();
}

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

void ApertiumBackend::prepare(std::string_view source, std::string_view target)
{
    for (const std::string& mode : route(source, target))
        keeper_->warmSoon(pipelines_.at(mode).get());
}

BackendResult ApertiumBackend::translate(const TranslationRequest& request)
{
    return std::move(translateMany(request, {request.text}).front());
}

std::vector<BackendResult> ApertiumBackend::translateMany(const TranslationRequest& request,
                                                          const std::vector<std::string>& texts)
{
    std::vector<BackendResult> results;
    results.reserve(texts.size());
    const bool same = request.source->code == request.target->code;
    for (const std::string& text : texts)
        results.emplace_back(true, same ? text : escape(text), std::string());
    if (same)
        return results;
    for (const std::string& mode : route(request.source->code, request.target->code)) {
        translateStep(*pipelines_.at(mode), results);
        keeper_->enforceCap();
    }
    for (BackendResult& result : results) {
        if (result.ok)
            result.text = unescape(result.text);
    }
    return results;
}

// An exchange holds its direction from start to end: a text sent while a page is being
// translated waits for one chunk of the page, not for all of it.
constexpr size_t kExchangeBytes = 64 * 1024;

void ApertiumBackend::translateStep(ApertiumPipeline& pipeline, std::vector<BackendResult>& results)
{
    std::vector<size_t> open;
    for (size_t i = 0; i < results.size(); ++i) {
        if (results[i].ok)
            open.push_back(i);
    }
    std::string stoppedBy;
    for (size_t first = 0; first < open.size();) {
        size_t end = first;
        size_t bytes = 0;
        do {
            bytes += results[open[end++]].text.size();
        } while (end < open.size() && bytes + results[open[end]].text.size() <= kExchangeBytes);
        const std::vector<size_t> chunk(open.begin() + static_cast<std::ptrdiff_t>(first),
                                        open.begin() + static_cast<std::ptrdiff_t>(end));
        if (stoppedBy.empty()) {
            stoppedBy = translateChunk(pipeline, results, chunk);
        } else {
            for (size_t i : chunk)
                results[i] = {false, {}, stoppedBy};
        }
        first = end;
    }
}

std::string ApertiumBackend::translateChunk(ApertiumPipeline& pipeline, std::vector<BackendResult>& results,
                                            const std::vector<size_t>& indexes)
{
    std::vector<std::string> streams;
    streams.reserve(indexes.size());
    for (size_t i : indexes)
        streams.push_back(std::move(results[i].text));
    ApertiumPipeline::Batch batch = pipeline.translate(streams);
    using Status = ApertiumPipeline::Batch::Status;
    if (batch.status == Status::CountMismatch) {
        LogWarning(pipeline.mode() + ": " + batch.error + "; sending these " + std::to_string(streams.size())
                   + " texts one at a time");
        for (size_t k = 0; k < indexes.size(); ++k)
            results[indexes[k]].text = std::move(streams[k]);
        return translateOneByOne(pipeline, results, indexes);
    }
    const std::string error = batch.status == Status::Done ? std::string() : pipeline.mode() + ": " + batch.error;
    for (size_t k = 0; k < indexes.size(); ++k) {
        if (error.empty())
            results[indexes[k]].text = std::move(batch.outputs[k]);
        else
            results[indexes[k]] = {false, {}, error};
    }
    return error;
}

// A text whose record comes back lost or split fails alone; processes that stop answering fail
// the texts not yet sent too, rather than being waited for once per text.
std::string ApertiumBackend::translateOneByOne(ApertiumPipeline& pipeline, std::vector<BackendResult>& results,
                                               const std::vector<size_t>& indexes)
{
    using Status = ApertiumPipeline::Batch::Status;
    std::string stoppedBy;
    for (size_t i : indexes) {
        BackendResult& result = results[i];
        if (!stoppedBy.empty()) {
            result = {false, {}, stoppedBy};
            continue;
        }
        ApertiumPipeline::Batch batch = pipeline.translate({result.text});
        if (batch.status == Status::Done) {
            result.text = std::move(batch.outputs.front());
            continue;
        }
        result = {false, {}, pipeline.mode() + ": " + batch.error};
        if (batch.status == Status::Failed)
            stoppedBy = result.error;
    }
    return stoppedBy;
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
