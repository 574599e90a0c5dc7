#include "session/EngineId.h"

namespace quillo {

QStringList EngineNames()
{
    return {QStringLiteral("服务器(一)"), QStringLiteral("服务器(二)")};
}

QString EngineName(EngineId engine)
{
    return EngineNames().value(int(engine));
}

std::optional<EngineId> EngineAt(int index)
{
    return index == 0 || index == 1 ? std::optional<EngineId>(EngineId(index)) : std::nullopt;
}

} // namespace quillo
