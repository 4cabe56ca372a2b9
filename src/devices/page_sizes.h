// The page sizes the scanners offer: one row per size holds what every part needs of it.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "devices/scan_options.h"

namespace scandesk {

/// One page size: the area a scanner scans and the page a PDF shows it on.
struct PageSizeRow {
    PageSize size = PageSize::a4;
    /// The scan area in pixels at 300 dots per inch.
    int64_t width300 = 0;
    int64_t height300 = 0;
    /// The width of black-and-white pages at 200 dpi, where the scanner wants a fixed
    /// one instead of the scaled area.
    std::optional<int64_t> textWidth200;
    /// The PDF page in points, portrait.
    int pdfWidth = 0;
    int pdfHeight = 0;
};

/// Indexed by the size's value.
inline constexpr std::array<PageSizeRow, 9> kPageSizes{{
    {PageSize::a4, 2432, 3441, 1632, 595, 842},
    {PageSize::a5, 1728, 2433, std::nullopt, 420, 595},
    {PageSize::b5Jis, 2112, 2979, std::nullopt, 514, 725},
    {PageSize::b5Iso, 2048, 2887, 1376, 498, 708},
    {PageSize::letter, 2528, 3234, 1696, 611, 791},
    {PageSize::photo4R, 1184, 1795, 768, 288, 432},
    {PageSize::a6, 1216, 1716, 800, 298, 420},
    {PageSize::folio, 2528, 3808, 1664, 609, 935},
    {PageSize::legal, 2528, 4128, 1664, 612, 1008},
}};

/// The row of a page size.
constexpr const PageSizeRow& pageSizeRow(PageSize size) {
    return kPageSizes[static_cast<size_t>(size)];
}

// Every size has its row, in order.
static_assert([] {
    for (size_t i = 0; i < kPageSizes.size(); ++i) {
        if (kPageSizes[i].size != static_cast<PageSize>(i)) {
            return false;
        }
    }
    return kPageSizes.size() == OptionTexts<PageSize>::texts.size();
}());

}  // namespace scandesk
