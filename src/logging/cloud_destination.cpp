// JSON lines for a log collecting service, written to the caller's sink.
#include "logging/cloud_destination.h"

#include "logging/log_entry_json.h"

namespace scandesk {

CloudDestination::CloudDestination(std::string serviceName, JsonLineSink sink)
    : serviceName(std::move(serviceName)), sink_(std::move(sink)) {
    format = "$J";
}

std::optional<std::string> CloudDestination::send(Level level, const std::string& msg,
                                                  const std::string& thread,
                                                  const std::string& file,
                                                  const std::string& function, int line,
                                                  const std::optional<std::string>& context) {
    std::optional<std::string> text = logEntryJSON(
        LogEntry{clock(), level, msg, thread, file, function, line, context}, serviceName);
    if (text && sink_) {
        sink_(*text);
    }
    return text;
}

}  // namespace scandesk
