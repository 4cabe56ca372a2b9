// The scan options of the command line as the choices of a scan on one scanner.
#pragma once

#include <optional>
#include <string>

#include "cli/cli_options.h"
#include "devices/device.h"
#include "session/ui_params.h"

namespace scandesk {

/// The choices, or a usage error naming the option and the values the scanner offers.
struct ChoicesOutcome {
    std::optional<UIParams> params;
    std::string error;
};

/// Every option value is looked up in its list as given; an option left out takes the
/// first entry, as the window starts.
ChoicesOutcome scanChoices(const CliOptions& options, const Device& scanner,
                           const std::string& saveDir);

}  // namespace scandesk
