#pragma once
// Debian's Apertium. Each translation direction runs as one long-lived pipeline in null-flush
// mode: a text goes in followed by a NUL byte, and its translation comes back followed by one,
// so a sentence costs a round trip through warm processes instead of loading the dictionaries
// again. How many stay warm, and for how long, is the PipelineKeeper's matter. Pairs without a direct direction go through Spanish, the hub of the installed pairs.
// Unknown words come out unmarked (the generator's -n mode).
// Many texts (the runs of a page) go through a direction in one exchange, each its own record;
// where the records that come back do not match the texts sent, that batch is sent again one
// text at a time, so a lost boundary costs speed, never a translation put in the wrong place.

#include "server/engines/apertium/PipelineKeeper.h"
#include "server/engines/TranslationBackend.h"

#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace quillo::server {

struct ApertiumOptions {
    std::string modesDirectory = "/usr/share/apertium/modes";
    std::chrono::milliseconds timeout{30000};
    std::string pivot = "es";
    PipelineLimits limits = {};
};

class ApertiumPipeline;

class ApertiumBackend final : public TranslationBackend {
public:
    explicit ApertiumBackend(ApertiumOptions options = {});
    ~ApertiumBackend() override;

    // Apertium's tools are on the PATH and the modes directory holds at least one direction.
    static bool installed(const std::string& modesDirectory);

    std::string_view name() const override { return "apertium"; }
    bool covers(std::string_view source, std::string_view target) const override;
    void prepare(std::string_view source, std::string_view target) override;
    BackendResult translate(const TranslationRequest& request) override;
    std::vector<BackendResult> translateMany(const TranslationRequest& request,
                                             const std::vector<std::string>& texts) override;

    // The directions (mode names) a pair goes through; empty when it cannot be translated.
    std::vector<std::string> route(std::string_view source, std::string_view target) const;

    // The directions whose processes run now.
    std::vector<std::string> warmDirections() const;

    // Text to Apertium's stream format and back: its reserved characters escaped, "~" kept in
    // a superblank.
    static std::string escape(std::string_view text);
    static std::string unescape(std::string_view stream);

private:
    // One direction's step for the texts still in `results` (stream format in, stream out).
    // The other two return why the direction stopped answering, empty while it answers.
    void translateStep(ApertiumPipeline& pipeline, std::vector<BackendResult>& results);
    std::string translateChunk(ApertiumPipeline& pipeline, std::vector<BackendResult>& results,
                               const std::vector<size_t>& indexes);
    std::string translateOneByOne(ApertiumPipeline& pipeline, std::vector<BackendResult>& results,
                                  const std::vector<size_t>& indexes);

    ApertiumOptions options_;
    std::map<std::pair<std::string, std::string>, std::string> modes_; // (en, es) -> "eng-spa"
    std::map<std::string, std::unique_ptr<ApertiumPipeline>> pipelines_;
    std::unique_ptr<PipelineKeeper> keeper_;
};

} // namespace quillo::server
