// What imaging needs to know of a scan to store, combine and assemble its pages.
#pragma once

#include <cstdint>
#include <string>

#include "devices/scan_options.h"

namespace scandesk {

/// The pages of one scan as imaging stores them.
struct PageJob {
    std::string filePath;  ///< path prefix of the page files: filePath-0001.jpg
    int64_t w = 0;         ///< the page in pixels, as asked of the scanner
    int64_t h = 0;
    int dpi = 0;
    bool blackWhite = false;  ///< pages arrive as bare rows of one bit per pixel
    bool keepBitmap = false;  ///< black-and-white pages stay 1-bit BMP files
    Rotation rotation = Rotation::none;
    CombineType combine = CombineType::none;

    friend bool operator==(const PageJob&, const PageJob&) = default;
};

/// The extension of the job's page files: ".bmp" for kept bitmaps, else ".jpg".
inline const char* pageExtension(const PageJob& job) {
    return job.blackWhite && job.keepBitmap ? ".bmp" : ".jpg";
}

}  // namespace scandesk
