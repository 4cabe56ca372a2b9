// From option values to scan parameters and a crop window.
#include "sane/scan_settings.h"

#include <algorithm>
#include <cmath>

#include "session/scan_parameter_mapping.h"

namespace scandesk::sane {
namespace {

constexpr double kBaseDpi = 300;

// The index of `value` in `list`, if present.
std::optional<int> indexOf(const std::vector<std::string>& list, const std::string& value) {
    auto it = std::find(list.begin(), list.end(), value);
    if (it == list.end()) {
        return std::nullopt;
    }
    return static_cast<int>(it - list.begin());
}

// Millimetres to pixels at a resolution, to the nearest pixel.
int64_t pixels(double mm, int dpi) {
    return std::llround(mm * dpi / kMmPerInch);
}

double millimetres(int64_t pixels300) {
    return static_cast<double>(pixels300) * kMmPerInch / kBaseDpi;
}

}  // namespace

AreaMm largestPage(const Device& scanner) {
    int64_t w = 0;
    int64_t h = 0;
    for (const std::string& name : scanner.paperSize) {
        const ScanArea area = baseScanArea(name);
        if (area.w * area.h > w * h) {
            w = area.w;
            h = area.h;
        }
    }
    return {0, 0, millimetres(w), millimetres(h)};
}

std::vector<int> resolutionsFor(const Device& scanner, const std::string& source) {
    std::vector<int> dpis;
    for (const std::string& name : source == "FB" ? scanner.fbResolution : scanner.adfResolution) {
        dpis.push_back(std::atoi(name.c_str()));  // "300dpi"
    }
    return dpis;
}

ScanSettings defaultSettings(const Device& scanner) {
    ScanSettings settings;
    settings.source = scanner.scanSource.empty() ? "FB" : scanner.scanSource.front();
    const std::vector<int> dpis = resolutionsFor(scanner, settings.source);
    settings.dpi = dpis.empty() ? 0 : dpis.front();
    const ScanArea first = baseScanArea(scanner.paperSize.empty() ? "" : scanner.paperSize[0]);
    settings.area = {0, 0, millimetres(first.w), millimetres(first.h)};
    return settings;
}

std::string coveringPageSize(const Device& scanner, const AreaMm& area) {
    const int64_t needW = pixels(area.right, kBaseDpi);
    const int64_t needH = pixels(area.bottom, kBaseDpi);
    std::optional<std::string> best;
    int64_t bestArea = 0;
    std::string largest;
    int64_t largestArea = -1;
    for (const std::string& name : scanner.paperSize) {
        const ScanArea size = baseScanArea(name);
        if (size.w * size.h > largestArea) {
            largest = name;
            largestArea = size.w * size.h;
        }
        if (size.w >= needW && size.h >= needH && (!best || size.w * size.h < bestArea)) {
            best = name;
            bestArea = size.w * size.h;
        }
    }
    return best.value_or(largest);
}

std::optional<ScanPlan> planScan(const Device& scanner, const ScanSettings& settings) {
    const std::optional<int> source = indexOf(scanner.scanSource, settings.source);
    const std::vector<int> dpis = resolutionsFor(scanner, settings.source);
    auto dpi = std::find(dpis.begin(), dpis.end(), settings.dpi);
    if (!source || dpi == dpis.end()) {
        return std::nullopt;
    }
    UIParams choices;
    choices.scannerName = scanner.name;
    choices.scanSourceIndex = *source;
    // The modes are declared in the order of colorModeOption().
    choices.colorModeIndex = static_cast<int>(settings.mode);
    choices.resolutionIndex = static_cast<int>(dpi - dpis.begin());
    choices.pageSizeIndex = *indexOf(scanner.paperSize, coveringPageSize(scanner, settings.area));
    std::optional<ScanParam> param = mapScanParameter(choices, scanner, "");
    if (!param) {
        return std::nullopt;
    }
    const AreaMm& a = settings.area;
    const int64_t left = pixels(a.left, settings.dpi);
    const int64_t top = pixels(a.top, settings.dpi);
    const Crop wanted{left, top, pixels(a.right, settings.dpi) - left,
                      pixels(a.bottom, settings.dpi) - top};
    return ScanPlan{*param, clipCrop(wanted, param->w, param->h)};
}

Crop clipCrop(const Crop& crop, int64_t pageW, int64_t pageH) {
    Crop out;
    out.x = std::clamp<int64_t>(crop.x, 0, std::max<int64_t>(0, pageW - 1));
    out.y = std::clamp<int64_t>(crop.y, 0, std::max<int64_t>(0, pageH - 1));
    out.w = std::clamp<int64_t>(crop.w, 1, std::max<int64_t>(1, pageW - out.x));
    out.h = std::clamp<int64_t>(crop.h, 1, std::max<int64_t>(1, pageH - out.y));
    return out;
}

}  // namespace scandesk::sane
