// From option values to scan parameters and a crop window.
#include "sane/scan_settings.h"

#include <algorithm>
#include <cmath>

#include "session/scan_parameter_mapping.h"

namespace scandesk::sane {
namespace {

constexpr double kBaseDpi = 300;

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
    for (PageSize size : scanner.paperSize) {
        const ScanArea area = baseScanArea(size);
        if (area.w * area.h > w * h) {
            w = area.w;
            h = area.h;
        }
    }
    return {0, 0, millimetres(w), millimetres(h)};
}

ScanSettings defaultSettings(const Device& scanner) {
    ScanSettings settings;
    settings.source = scanner.scanSource.empty() ? ScanSource::flatbed : scanner.scanSource.front();
    const std::vector<int>& dpis = scanner.resolutionsFor(settings.source);
    settings.dpi = dpis.empty() ? 0 : dpis.front();
    const ScanArea first =
        baseScanArea(scanner.paperSize.empty() ? PageSize::a4 : scanner.paperSize[0]);
    settings.area = {0, 0, millimetres(first.w), millimetres(first.h)};
    return settings;
}

PageSize coveringPageSize(const Device& scanner, const AreaMm& area) {
    const int64_t needW = pixels(area.right, kBaseDpi);
    const int64_t needH = pixels(area.bottom, kBaseDpi);
    std::optional<PageSize> best;
    int64_t bestArea = 0;
    PageSize largest = PageSize::a4;
    int64_t largestArea = -1;
    for (PageSize name : scanner.paperSize) {
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
    ScanRequest request;
    request.source = settings.source;
    request.colorMode = settings.mode;
    request.dpi = settings.dpi;
    request.pageSize = coveringPageSize(scanner, settings.area);
    std::optional<ScanParam> param = mapScanParameter(request, scanner);
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
