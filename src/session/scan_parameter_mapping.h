// Turning the user's choices and the selected scanner into the parameters of a scan.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "devices/device.h"
#include "protocol/scan_param.h"
#include "session/ui_params.h"

namespace scandesk {

/// Width and height of a page size in pixels at 300 dots per inch.
struct ScanArea {
    int64_t w = 0;
    int64_t h = 0;

    friend bool operator==(const ScanArea&, const ScanArea&) = default;
};

/// The area of a page size name; unknown names get the A4 area.
ScanArea baseScanArea(std::string_view pageSize);

/// Whether every index of the choices lies inside its list for this scanner.
bool choicesFitScanner(const UIParams& uiParam, const Device& scanner);

/// Whether the prefix can name page files: a name, not a path, so no "/" and no NUL.
bool isValidFileNamePrefix(std::string_view prefix);

/// Whether every file name the prefix yields in a receive directory under `saveDir` (the
/// page files up to page 9999 and the temporary files they are written through) fits
/// the file system's limit on name length there, in bytes.
bool prefixFitsNameLimit(const std::string& saveDir, std::string_view prefix);

/// The complete scan parameters, page files named `receiveDir`/prefix; nothing when
/// an index lies outside its list.
std::optional<ScanParam> mapScanParameter(const UIParams& uiParam, const Device& scanner,
                                          const std::string& receiveDir);

}  // namespace scandesk
