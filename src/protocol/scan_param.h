// The parameter record of one scan job.
#pragma once

#include <cstdint>
#include <string>

#include "devices/scan_options.h"

namespace scandesk {

/// What the commands of one scan job carry. Only `source` changes after construction:
/// the paper check may settle an automatic source.
struct ScanParam {
    ScanSource source = ScanSource::automatic;
    int dpi = 200;  ///< the same horizontally and vertically
    ColorMode mode = ColorMode::color;
    ContentType content = ContentType::automatic;
    int64_t x = 0;
    int64_t y = 0;
    int64_t w = 0;      ///< scan area and page width in pixels
    int64_t h = 0;      ///< scan area and page height in pixels
    int64_t gamma = 1;  ///< of black-and-white pages
    CombineType combine = CombineType::none;
    bool hasScreen = false;  ///< the scanner asks for the second page on its own screen

    friend bool operator==(const ScanParam&, const ScanParam&) = default;
};

/// Bytes of one page as the scanner sends it: w * h, or rows of (w + 7) / 8 bytes for
/// black-and-white pages (one bit per pixel); never negative.
int64_t expectedPageSize(const ScanParam& param);

/// Size beyond which a page is taken for a broken stream rather than grown further, on
/// either transport.
int64_t pageSizeLimit(int64_t expectedSize);

/// Room reserved for a page of the expected size: never more than a sane bound, whatever
/// the parameters say.
size_t pageReserve(int64_t expectedSize);

}  // namespace scandesk
