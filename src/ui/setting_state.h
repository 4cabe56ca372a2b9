// The settings window's choices, and the rows the choice rules show and enable.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "devices/device.h"
#include "session/scan_request.h"

namespace scandesk {

/// The user's choices as the window holds them: the chosen row of the scanner list and
/// the scan request its controls edit.
struct SettingState {
    int scannerIndex = 0;
    ScanRequest request;

    friend bool operator==(const SettingState&, const SettingState&) = default;
};

/// Which optional rows show and which controls accept input.
struct RowRules {
    bool combineShown = false;
    bool rotationShown = false;
    bool fileNameShown = false;
    bool scanSourceEnabled = false;
    bool pageSizeEnabled = false;
    bool saveTypeEnabled = false;

    friend bool operator==(const RowRules&, const RowRules&) = default;
};

/// The visibility and enabled rules of the optional rows.
RowRules rowRules(const Device& scanner, const ScanRequest& request);

/// The key of the first failed scan check (no scanner, no directory, no file name).
std::optional<std::string> scanCheckFailure(const SettingState& state, size_t scannerCount);

}  // namespace scandesk
