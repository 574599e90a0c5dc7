#pragma once
// The translation engines the program offers, by identity rather than by a list's place.
#include <QStringList>
#include <optional>

namespace quillo {

enum class EngineId { WorldLingo = 0, TextService = 1 };

// The engines as the engine list names them, in its order.
QStringList EngineNames();
QString EngineName(EngineId engine);
// The engine at a place of the engine list; empty for any other place.
std::optional<EngineId> EngineAt(int index);

} // namespace quillo
