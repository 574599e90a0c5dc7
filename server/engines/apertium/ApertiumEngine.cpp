// Apertium in the registry: Debian's offline pipelines, chosen by default when installed.

#include "server/engines/EngineRegistry.h"
#include "server/engines/apertium/ApertiumBackend.h"

#include <chrono>

namespace quillo::server {

void RegisterApertiumEngines(EngineRegistry& registry)
{
    EngineDescriptor apertium;
    apertium.id = apertium.section = "apertium";
    apertium.displayName = "Apertium 离线机器翻译";
    apertium.kind = EngineKind::MachineTranslation;
    apertium.rank = 10; // first for its pairs: fast and offline
    apertium.options = {
        {.key = "modes",
         .flag = "--apertium-modes",
         .help = "where Apertium's .mode files are (default /usr/share/apertium/modes)",
         .defaultValue = "/usr/share/apertium/modes",
         .valueName = "DIR"},
        {.key = "idle",
         .flag = "--pipeline-idle",
         .help = "end an Apertium direction unused this long (default 600; 0 = never)",
         .defaultValue = "600",
         .minimum = 0,
         .maximum = 7 * 24 * 3600,
         .valueName = "SECONDS"},
        {.key = "warm",
         .flag = "--pipelines-warm",
         .help = "Apertium directions kept running at most, started at once (default 2)",
         .defaultValue = "2",
         .minimum = 0,
         .maximum = 64,
         .valueName = "N"},
        {.key = "warm_start",
         .flag = "--pipelines-warm-start",
         .help = "start the first directions when the server starts (1, the default) or only when a "
                 "request or a client's POST /api/v1/prepare needs them (0)",
         .defaultValue = "1",
         .minimum = 0,
         .maximum = 1,
         .valueName = "0|1"},
    };
    apertium.setUp = [](const EngineConfig& config) { return ApertiumBackend::installed(config.value("modes")); };
    apertium.make = [](EngineConfig& config, std::string& error) -> std::unique_ptr<TranslationBackend> {
        const std::string modes = config.value("modes");
        if (!ApertiumBackend::installed(modes)) {
            error = "apertium is not installed (no apertium-wblank-mode, lt-proc or modes in " + modes + ")";
            return nullptr;
        }
        ApertiumOptions options{modes};
        options.limits = {std::chrono::seconds(config.number("idle")), static_cast<size_t>(config.number("warm")),
                          config.number("warm_start") != 0};
        return std::make_unique<ApertiumBackend>(std::move(options));
    };
    registry.add(std::move(apertium));
}

} // namespace quillo::server
