// echo in the registry: never chosen by default, only when named (tests, benchmarks).

#include "server/engines/EngineRegistry.h"
#include "server/engines/echo/EchoBackend.h"

namespace quillo::server {

void RegisterEchoEngines(EngineRegistry& registry)
{
    EngineDescriptor echo;
    echo.id = echo.section = "echo";
    echo.displayName = "回显（测试用）";
    echo.kind = EngineKind::MachineTranslation;
    echo.rank = 1000;
    echo.make = [](EngineConfig&, std::string&) -> std::unique_ptr<TranslationBackend> {
        return std::make_unique<EchoBackend>();
    };
    registry.add(std::move(echo));
}

} // namespace quillo::server
