// The scan area, resolution, mode and file type of a scan from its request.
#include "session/scan_parameter_mapping.h"

#include <limits.h>
#include <unistd.h>

#include <algorithm>
#include <limits>
#include <random>
#include <vector>

#include "devices/page_sizes.h"
#include "imaging/page_files.h"

namespace scandesk {
namespace {

template <typename T>
bool offered(const std::vector<T>& list, T value) {
    return std::find(list.begin(), list.end(), value) != list.end();
}

// How the 300-dpi base area scales to a resolution, in double precision: 200 dpi is two
// thirds, as two separate divisions, which the scanners' widths depend on.
double scaled(double base, int dpi) {
    if (dpi == 200) {
        return base / 3 + base / 3;
    }
    return base * dpi / 300;
}

}  // namespace

ScanArea baseScanArea(PageSize pageSize) {
    const PageSizeRow& row = pageSizeRow(pageSize);
    return {row.width300, row.height300};
}

bool requestFitsScanner(const ScanRequest& request, const Device& scanner) {
    return offered(scanner.scanSource, request.source) &&
           offered(scanner.resolutionsFor(request.source), request.dpi) &&
           offered(scanner.paperSize, request.pageSize);
}

bool isValidFileNamePrefix(std::string_view prefix) {
    return prefix.find('/') == std::string_view::npos &&
           prefix.find('\0') == std::string_view::npos;
}

bool prefixFitsNameLimit(const std::string& saveDir, std::string_view prefix) {
    const long reported = ::pathconf(saveDir.c_str(), _PC_NAME_MAX);
    // -1 means no limit or none known (the directory may not exist yet): assume the usual.
    const long limit = reported > 0 ? reported : NAME_MAX;
    const std::string page = pageFileName(std::string(prefix), 1, ".jpg");  // ".bmp" as long
    // The atomic writer's temporary name beside it, at its longest: "." + name + "." + a
    // random number + ".tmp".
    const std::string temporary =
        "." + page + "." +
        std::to_string(std::numeric_limits<std::random_device::result_type>::max()) + ".tmp";
    return temporary.size() <= static_cast<size_t>(limit);
}

std::optional<ScanParam> mapScanParameter(const ScanRequest& request, const Device& scanner,
                                          const std::string& receiveDir) {
    if (!requestFitsScanner(request, scanner)) {
        return std::nullopt;
    }
    const bool text = request.colorMode == ColorMode::blackWhite;
    const ScanArea base = baseScanArea(request.pageSize);
    auto w = static_cast<int64_t>(scaled(static_cast<double>(base.w), request.dpi));
    auto h = static_cast<int64_t>(scaled(static_cast<double>(base.h), request.dpi));
    if (text && request.dpi == 200) {
        w = pageSizeRow(request.pageSize).textWidth200.value_or(w);
    }
    const std::string dpi = std::to_string(request.dpi);

    ScanParam param;
    param.source = std::string(toText(request.source));
    param.resolution = dpi + "," + dpi;
    param.mode = std::string(toText(request.colorMode));
    param.type = std::string(toText(request.content));
    param.compression = text ? "BMP" : "JPEG";
    param.compressRatio = "MID";
    param.brightness = "50";
    param.contrast = "50";
    param.x = 0;
    param.y = 0;
    param.w = w;
    param.dpi = request.dpi;
    param.duplex = "SIN";
    param.gamma = 1;
    param.combineType = std::string(toText(request.combine));
    // The ID-card pass scans one side: half a page.
    param.h = request.combine == CombineType::idCard ? h / 2 : h;
    param.filePath = receiveDir + "/" + request.prefix;
    param.fileType = request.fileType == FileType::image ? (text ? "BMP" : "JPEG") : "PDF";
    // Combined pages are never turned.
    param.rotateAngle = combines(request.combine) ? 0 : degrees(request.rotation);
    param.hasScreen = scanner.hasScreen;
    param.isSecondScan = false;
    return param;
}

}  // namespace scandesk
