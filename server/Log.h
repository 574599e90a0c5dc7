#pragma once
// One line per event on standard error, with a UTC time stamp; standard output carries only
// the address line that scripts read.

#include <string_view>

namespace quillo::server {

enum class LogLevel { Info, Warning, Error };

void Log(LogLevel level, std::string_view message);
inline void LogInfo(std::string_view message) { Log(LogLevel::Info, message); }
inline void LogWarning(std::string_view message) { Log(LogLevel::Warning, message); }
inline void LogError(std::string_view message) { Log(LogLevel::Error, message); }

// Silences informational lines (benchmarks); warnings and errors always go out.
void SetQuiet(bool quiet);

} // namespace quillo::server
