// JSON encoding of log entries.
#include "logging/log_entry_json.h"

#include <nlohmann/json.hpp>

#include "common/diagnostics.h"

namespace scandesk {

std::optional<std::string> logEntryJSON(const LogEntry& entry,
                                        const std::optional<std::string>& serviceName) {
    const std::chrono::duration<double> sinceEpoch = entry.time.time_since_epoch();
    nlohmann::json object{
        {"timestamp", sinceEpoch.count()},
        {"level", levelRawValue(entry.level)},
        {"message", entry.message},
        {"thread", entry.thread},
        {"file", entry.file},
        {"function", entry.function},
        {"line", entry.line},
    };
    if (entry.context) {
        object["context"] = *entry.context;
    }
    if (serviceName) {
        object["service"] = *serviceName;
    }
    try {
        return object.dump();
    } catch (const nlohmann::json::exception&) {
        diagError("Lumberly could not create JSON from dict.");
        return std::nullopt;
    }
}

}  // namespace scandesk
