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
#include "session/choice_rules.h"

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

size_t maxPrefixBytes(const std::string& saveDir) {
    const long reported = ::pathconf(saveDir.c_str(), _PC_NAME_MAX);
    // -1 means no limit or none known (the directory may not exist yet): assume the usual.
    const long limit = reported > 0 ? reported : NAME_MAX;
    // The atomic writer's temporary name of a page file, at its longest: "." + prefix +
    // "-0001.jpg" (".bmp" as long) + "." + a random number + ".tmp".
    const std::string random =
        std::to_string(std::numeric_limits<std::random_device::result_type>::max());
    const size_t around = 1 + pageFileName("", 1, ".jpg").size() + 1 + random.size() + 4;
    return static_cast<size_t>(limit) > around ? static_cast<size_t>(limit) - around : 0;
}

bool prefixFitsNameLimit(const std::string& saveDir, std::string_view prefix) {
    return prefix.size() <= maxPrefixBytes(saveDir);
}

std::optional<ScanParam> mapScanParameter(const ScanRequest& request, const Device& scanner) {
    if (!requestFitsScanner(request, scanner)) {
        return std::nullopt;
    }
    const ScanArea base = baseScanArea(request.pageSize);
    auto w = static_cast<int64_t>(scaled(static_cast<double>(base.w), request.dpi));
    auto h = static_cast<int64_t>(scaled(static_cast<double>(base.h), request.dpi));
    if (request.colorMode == ColorMode::blackWhite && request.dpi == 200) {
        w = pageSizeRow(request.pageSize).textWidth200.value_or(w);
    }
    ScanParam param;
    param.source = request.source;
    param.dpi = request.dpi;
    param.mode = request.colorMode;
    param.content = request.content;
    param.w = w;
    // The ID-card pass scans one side: half a page.
    param.h = request.combine == CombineType::idCard ? h / 2 : h;
    param.combine = request.combine;
    param.hasScreen = scanner.hasScreen;
    return param;
}

PageJob pageJobFor(const ScanRequest& request, const ScanParam& param,
                   const std::string& receiveDir) {
    PageJob job;
    job.filePath = receiveDir + "/" + request.prefix;
    job.w = param.w;
    job.h = param.h;
    job.dpi = param.dpi;
    job.blackWhite = param.mode == ColorMode::blackWhite;
    // Pages bound for a PDF are JPEG files, whatever their colours.
    job.keepBitmap = request.fileType == FileType::image;
    job.rotation = rotationApplies(request) ? request.rotation : Rotation::none;
    job.combine = request.combine;
    return job;
}

}  // namespace scandesk
