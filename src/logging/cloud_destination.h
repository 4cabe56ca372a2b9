// A destination that hands each entry as one JSON line to a caller-supplied sink.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "logging/base_destination.h"

namespace scandesk {

/// Renders every entry it takes as a JSON object carrying `serviceName` and passes the
/// line to `sink` on the destination's queue; shipping it anywhere is the sink's job.
class CloudDestination : public BaseDestination {
  public:
    using JsonLineSink = std::function<void(std::string_view jsonLine)>;

    CloudDestination(std::string serviceName, JsonLineSink sink);

    std::optional<std::string> send(Level level, const std::string& msg, const std::string& thread,
                                    const std::string& file, const std::string& function, int line,
                                    const std::optional<std::string>& context) override;

    const std::string serviceName;

  private:
    JsonLineSink sink_;
};

}  // namespace scandesk
