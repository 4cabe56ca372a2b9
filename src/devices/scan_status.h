// Names of the status bytes a scanner sends.
#pragma once

#include <map>
#include <optional>
#include <string>

namespace scandesk {

/// The status byte that ends a job successfully.
inline constexpr int kScanFinished = 0x80;

/// Result message of a job that ended with a status byte the table does not name.
inline constexpr const char* kUnknownScanStatus = "unknownScanStatus";

/// Status byte to name; 0x80 "scanFinished" is the only success. Built once on first use.
const std::map<int, std::string>& ScanStatus();

/// The name of a status byte, or nothing when the table has no entry for it.
std::optional<std::string> scanStatusName(int statusByte);

}  // namespace scandesk
