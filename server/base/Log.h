#pragma once
// One line per event on standard error (or a log file), with a UTC time stamp; standard output
// carries only the address line that scripts read. A line holds at most kMaxLogLine bytes of
// its message, control characters shown as '?', so a request cannot forge lines or make huge ones.

#include <cstddef>
#include <string>
#include <string_view>

namespace quillo::server {

enum class LogLevel { Info, Warning, Error };

void Log(LogLevel level, std::string_view message);
inline void LogInfo(std::string_view message) { Log(LogLevel::Info, message); }
inline void LogWarning(std::string_view message) { Log(LogLevel::Warning, message); }
inline void LogError(std::string_view message) { Log(LogLevel::Error, message); }

// Silences informational lines (benchmarks); warnings and errors always go out.
void SetQuiet(bool quiet);

inline constexpr size_t kMaxLogLine = 2000;

// Writes to `path` instead of standard error; once it passes maxBytes it is renamed to
// `path`.1 (replacing the older one) and a fresh file begun, so the log never takes more than
// about twice maxBytes. An empty path goes back to standard error. False with `error` set when
// the file cannot be opened.
bool SetLogFile(const std::string& path, size_t maxBytes, std::string& error);

} // namespace quillo::server
