// Turning a scan request and the selected scanner into the parameters of a scan.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "devices/device.h"
#include "imaging/page_job.h"
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

/// The longest prefix, in bytes, whose file names in a receive directory under `saveDir`
/// (the page files up to page 9999 and the temporary files they are written through) fit
/// the file system's limit on name length there.
size_t maxPrefixBytes(const std::string& saveDir);

/// Whether the prefix is no longer than `maxPrefixBytes`.
bool prefixFitsNameLimit(const std::string& saveDir, std::string_view prefix);

/// The parameters of the scan's commands; nothing when the scanner does not offer what
/// the request asks for.
std::optional<ScanParam> mapScanParameter(const ScanRequest& request, const Device& scanner);

/// How the pages of the scan are stored: page files `receiveDir`/prefix-0001.jpg, BMP
/// files for black-and-white page files, turned only where the choice rules allow.
PageJob pageJobFor(const ScanRequest& request, const ScanParam& param,
                   const std::string& receiveDir);

}  // namespace scandesk
