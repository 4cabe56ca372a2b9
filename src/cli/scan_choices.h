// The scan options of the command line as the request of a scan on one scanner.
#pragma once

#include <optional>
#include <string>

#include "cli/cli_options.h"
#include "devices/device.h"
#include "session/scan_request.h"

namespace scandesk {

/// The request, or a usage error naming the option and the values the scanner offers, or
/// the choice rule the request breaks.
struct ChoicesOutcome {
    std::optional<ScanRequest> request;
    std::string error;
};

/// Every option value is looked up in what the scanner offers, spelled as given; an
/// option left out takes the first value offered, as the window starts. A request that
/// breaks a choice rule is refused, not mended.
ChoicesOutcome scanChoices(const CliOptions& options, const Device& scanner,
                           const std::string& saveDir);

}  // namespace scandesk
