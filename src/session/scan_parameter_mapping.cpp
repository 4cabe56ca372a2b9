// The scan area, resolution, mode and file type of a scan from the user's choices.
#include "session/scan_parameter_mapping.h"

#include <limits.h>
#include <unistd.h>

#include <limits>
#include <random>
#include <vector>

#include "devices/options.h"
#include "devices/page_sizes.h"
#include "imaging/page_files.h"

namespace scandesk {
namespace {

// Whether `index` selects an entry of a list of `size` entries.
bool inside(int index, size_t size) {
    return index >= 0 && static_cast<size_t>(index) < size;
}

// The resolution list a source draws from.
const std::vector<std::string>& resolutionsFor(const Device& scanner, const std::string& source) {
    return source == "FB" ? scanner.fbResolution : scanner.adfResolution;
}

// Resolution texts and the scale of the 300-dpi base area, in double precision.
struct ResolutionRule {
    const char* resolution;
    int64_t dpi;
    double (*scale)(double base);
};

// The rule of a resolution name; unknown names scan as 200 dpi.
ResolutionRule resolutionRule(const std::string& name) {
    if (name == "300dpi") {
        return {"300,300", 300, [](double base) { return base; }};
    }
    if (name == "600dpi") {
        return {"600,600", 600, [](double base) { return base + base; }};
    }
    if (name == "1200dpi") {
        return {"1200,1200", 1200, [](double base) { return base * 4; }};
    }
    // "200dpi" and every unknown name: two thirds, as two separate divisions.
    return {"200,200", 200, [](double base) { return base / 3 + base / 3; }};
}

}  // namespace

ScanArea baseScanArea(std::string_view pageSize) {
    const PageSize row = findPageSize(pageSize).value_or(fallbackPageSize());
    return {row.width300, row.height300};
}

bool choicesFitScanner(const UIParams& ui, const Device& scanner) {
    if (!inside(ui.scanSourceIndex, scanner.scanSource.size())) {
        return false;
    }
    const auto& resolutions = resolutionsFor(scanner, scanner.scanSource[ui.scanSourceIndex]);
    return inside(ui.resolutionIndex, resolutions.size()) &&
           inside(ui.pageSizeIndex, scanner.paperSize.size()) &&
           inside(ui.colorModeIndex, colorModeOption().size()) &&
           inside(ui.contentTypeIndex, typeOption().size()) &&
           inside(ui.combineTypeIndex, combineTypeOption().size()) &&
           inside(ui.rotateAngleIndex, rotateOption().size());
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

std::optional<ScanParam> mapScanParameter(const UIParams& ui, const Device& scanner,
                                          const std::string& receiveDir) {
    if (!choicesFitScanner(ui, scanner)) {
        return std::nullopt;
    }
    const std::string& pageSize = scanner.paperSize[ui.pageSizeIndex];
    const std::string& source = scanner.scanSource[ui.scanSourceIndex];
    const std::string& mode = colorModeOption()[ui.colorModeIndex];
    const bool text = mode == "TEXT";

    const std::string& resolutionName = resolutionsFor(scanner, source)[ui.resolutionIndex];
    const ResolutionRule rule = resolutionRule(resolutionName);
    const ScanArea base = baseScanArea(pageSize);
    auto w = static_cast<int64_t>(rule.scale(static_cast<double>(base.w)));
    auto h = static_cast<int64_t>(rule.scale(static_cast<double>(base.h)));
    if (text && rule.dpi == 200) {
        // An unknown name scans the A4 area but keeps the scaled width.
        const std::optional<PageSize> row = findPageSize(pageSize);
        w = row ? row->textWidth200.value_or(w) : w;
    }

    ScanParam param;
    param.source = source;
    param.resolution = rule.resolution;
    param.mode = mode;
    param.type = typeOption()[ui.contentTypeIndex];
    param.compression = text ? "BMP" : "JPEG";
    param.compressRatio = "MID";
    param.brightness = "50";
    param.contrast = "50";
    param.x = 0;
    param.y = 0;
    param.w = w;
    param.dpi = rule.dpi;
    param.duplex = "SIN";
    param.gamma = 1;
    param.combineType = combineTypeOption()[ui.combineTypeIndex];
    // The ID-card pass scans one side: half a page.
    param.h = param.combineType == "IDCard" ? h / 2 : h;
    param.filePath = receiveDir + "/" + ui.fileNamePrefix;
    param.fileType = ui.saveTypeIndex == 0 ? (text ? "BMP" : "JPEG") : "PDF";
    // Combined pages are never turned.
    param.rotateAngle = param.combineType == "NoCombine" ? rotateOption()[ui.rotateAngleIndex] : 0;
    param.hasScreen = scanner.hasScreen;
    param.isSecondScan = false;
    return param;
}

}  // namespace scandesk
