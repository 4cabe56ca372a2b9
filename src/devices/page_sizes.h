// The page sizes the scanners offer: one row per name holds what every part needs of it.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace scandesk {

/// One page size: the area a scanner scans and the page a PDF shows it on.
struct PageSize {
    std::string_view name;
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

inline constexpr std::array<PageSize, 9> kPageSizes{{
    {"A4", 2432, 3441, 1632, 595, 842},
    {"A5", 1728, 2433, std::nullopt, 420, 595},
    {"B5(JIS)", 2112, 2979, std::nullopt, 514, 725},
    {"B5(ISO)", 2048, 2887, 1376, 498, 708},
    {"Letter", 2528, 3234, 1696, 611, 791},
    {"4R", 1184, 1795, 768, 288, 432},
    {"A6", 1216, 1716, 800, 298, 420},
    {"Folio", 2528, 3808, 1664, 609, 935},
    {"Legal", 2528, 4128, 1664, 612, 1008},
}};

/// The row of a page size name (exact spelling); nothing when the name is unknown.
constexpr std::optional<PageSize> findPageSize(std::string_view name) {
    for (const PageSize& row : kPageSizes) {
        if (row.name == name) {
            return row;
        }
    }
    return std::nullopt;
}

/// The row whose area and PDF page stand in for an unknown name: A4.
constexpr const PageSize& fallbackPageSize() {
    return kPageSizes.front();
}

}  // namespace scandesk
