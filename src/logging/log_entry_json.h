// One log entry as a compact JSON object.
#pragma once

#include <chrono>
#include <optional>
#include <string>

#include "logging/level.h"

namespace scandesk {

/// The fields of one rendered log entry.
struct LogEntry {
    std::chrono::system_clock::time_point time;
    Level level = Level::verbose;
    std::string message;
    std::string thread;
    std::string file;
    std::string function;
    int line = 0;
    std::optional<std::string> context;
};

/// The entry as JSON: "timestamp" (seconds since 1970), "level" (raw value), "message",
/// "thread", "file", "function", "line", "context" when present, and "service" when a
/// service name is given. None, after a diagnostic line, when the text is not UTF-8.
std::optional<std::string> logEntryJSON(const LogEntry& entry,
                                        const std::optional<std::string>& serviceName = {});

}  // namespace scandesk
