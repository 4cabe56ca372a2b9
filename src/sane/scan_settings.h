// The frontend's choices for one scanner and the scan job they turn into.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "devices/device.h"
#include "protocol/scan_param.h"

namespace scandesk::sane {

/// Millimetres per inch, for the geometry options.
inline constexpr double kMmPerInch = 25.4;

/// A rectangle in millimetres from the page's top-left corner.
struct AreaMm {
    double left = 0;
    double top = 0;
    double right = 0;
    double bottom = 0;
};

/// The current option values of an open scanner.
struct ScanSettings {
    ColorMode mode = ColorMode::color;
    ScanSource source = ScanSource::flatbed;
    int dpi = 0;
    AreaMm area;
};

/// Pixels kept of each page: a window of the page the scanner sends.
struct Crop {
    int64_t x = 0;
    int64_t y = 0;
    int64_t w = 0;
    int64_t h = 0;

    friend bool operator==(const Crop&, const Crop&) = default;
};

/// The page of the model with the largest area: the bounds of the geometry options.
AreaMm largestPage(const Device& scanner);

/// What a scanner starts with: colour, its first source, the lowest resolution and its
/// first page size.
ScanSettings defaultSettings(const Device& scanner);

/// The smallest (by area) of the model's page sizes that covers the area from the page's
/// corner; the largest when none does.
PageSize coveringPageSize(const Device& scanner, const AreaMm& area);

/// The job that scans the settings' area, and the window kept of each page.
struct ScanPlan {
    ScanParam param;
    Crop crop;
};

/// The plan, or nothing when the settings name a source or resolution the model lacks.
std::optional<ScanPlan> planScan(const Device& scanner, const ScanSettings& settings);

/// The crop window clipped to a page of `pageW` x `pageH` pixels; never empty.
Crop clipCrop(const Crop& crop, int64_t pageW, int64_t pageH);

}  // namespace scandesk::sane
