#include "server/base/Log.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <mutex>
#include <string>

namespace quillo::server {

namespace {

std::atomic<bool> quietMode{false};
std::mutex logMutex;

// Guarded by logMutex.
struct LogFile {
    std::FILE* out = nullptr; // nullptr: standard error
    std::string path;
    size_t maxBytes = 0;
    size_t written = 0;
} logFile;

std::string printable(std::string_view message)
{
    std::string line(message.substr(0, kMaxLogLine));
    for (char& c : line) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            c = '?';
    }
    if (message.size() > kMaxLogLine)
        line += "... (" + std::to_string(message.size()) + " bytes)";
    return line;
}

void rotateIfFull(size_t coming)
{
    if (!logFile.out || logFile.written + coming <= logFile.maxBytes)
        return;
    std::fclose(logFile.out);
    std::rename(logFile.path.c_str(), (logFile.path + ".1").c_str());
    logFile.out = std::fopen(logFile.path.c_str(), "we");
    logFile.written = 0;
}

std::string timestamp()
{
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto millis = std::chrono::duration_cast<std::chrono::milliseconds>(
                            now.time_since_epoch()).count() % 1000;
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char buffer[96];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", utc.tm_year + 1900,
                  utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec,
                  static_cast<int>(millis));
    return buffer;
}

const char* levelName(LogLevel level)
{
    switch (level) {
    case LogLevel::Info: return "info";
    case LogLevel::Warning: return "warning";
    case LogLevel::Error: return "error";
    }
    return "?";
}

} // namespace

void Log(LogLevel level, std::string_view message)
{
    if (level == LogLevel::Info && quietMode.load(std::memory_order_relaxed))
        return;
    const std::string line = timestamp() + " " + levelName(level) + " " + printable(message) + "\n";
    std::lock_guard lock(logMutex);
    rotateIfFull(line.size());
    std::FILE* out = logFile.out ? logFile.out : stderr;
    std::fwrite(line.data(), 1, line.size(), out);
    std::fflush(out);
    logFile.written += line.size();
}

bool SetLogFile(const std::string& path, size_t maxBytes, std::string& error)
{
    std::FILE* out = path.empty() ? nullptr : std::fopen(path.c_str(), "ae");
    if (!out && !path.empty()) {
        error = "cannot open the log file " + path;
        return false;
    }
    std::lock_guard lock(logMutex);
    if (logFile.out)
        std::fclose(logFile.out);
    logFile = {out, path, maxBytes, out ? static_cast<size_t>(std::max(0L, std::ftell(out))) : 0};
    return true;
}

void SetQuiet(bool quiet)
{
    quietMode.store(quiet, std::memory_order_relaxed);
}

} // namespace quillo::server
