// Turning a scan request and the selected scanner into the parameters of a scan.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "devices/device.h"
#include "protocol/scan_param.h"
#include "session/scan_request.h"

namespace scandesk {

/// Width and height of a page size in pixels at 300 dots per inch.
struct ScanArea {
    int64_t w = 0;
    int64_t h = 0;

    friend bool operator==(const ScanArea&, const ScanArea&) = default;
};

/// The area of a page size.
ScanArea baseScanArea(PageSize pageSize);

/// Whether the scanner offers the request's source, resolution (for that source) and
/// page size.
bool requestFitsScanner(const ScanRequest& request, const Device& scanner);

/// Whether the prefix can name page files: a name, not a path, so no "/" and no NUL.
bool isValidFileNamePrefix(std::string_view prefix);

/// Whether every file name the prefix yields in a receive directory under `saveDir` (the
/// page files up to page 9999 and the temporary files they are written through) fits
/// the file system's limit on name length there, in bytes.
bool prefixFitsNameLimit(const std::string& saveDir, std::string_view prefix);

/// The complete scan parameters, page files named `receiveDir`/prefix; nothing when
/// the scanner does not offer what the request asks for.
std::optional<ScanParam> mapScanParameter(const ScanRequest& request, const Device& scanner,
                                          const std::string& receiveDir);

}  // namespace scandesk
