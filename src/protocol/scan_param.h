// The parameter record of one scan job.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace scandesk {

/// Everything one scan job needs: what the commands carry, how the pages are named
/// and what is done with them afterwards. Only `source` and `isSecondScan` change
/// after construction.
struct ScanParam {
    std::string source;         ///< "AUTO", "ADF" or "FB"
    std::string resolution;     ///< e.g. "200,200"
    std::string mode;           ///< "CGRAY", "GRAY256" or "TEXT" (one bit per pixel)
    std::string type;           ///< "AUTO", "PHOTO" or "TYPE"
    std::string compression;    ///< "BMP" for TEXT, "JPEG" otherwise
    std::string compressRatio;  ///< "MID"
    std::string brightness;     ///< "50"
    std::string contrast;       ///< "50"
    int64_t x = 0;
    int64_t y = 0;
    int64_t w = 0;  ///< scan area and page width in pixels
    int64_t h = 0;  ///< scan area and page height in pixels
    int64_t dpi = 0;
    std::string duplex;  ///< "SIN"
    int64_t gamma = 1;
    std::string combineType;  ///< "NoCombine", "CombinHorizontal", "CombinVertical", "IDCard"
    std::string filePath;     ///< path prefix of the job's page files
    std::string fileType;     ///< "JPEG", "BMP" or "PDF"
    int64_t rotateAngle = 0;  ///< degrees: 0, 90, 180 or 270
    bool hasScreen = false;
    bool isSecondScan = false;

    friend bool operator==(const ScanParam&, const ScanParam&) = default;
};

/// Bytes of one page as the scanner sends it: w * h, or rows of (w + 7) / 8 bytes in
/// TEXT mode (one bit per pixel); never negative.
int64_t expectedPageSize(const ScanParam& param);

/// Size beyond which a page is taken for a broken stream rather than grown further, on
/// either transport.
int64_t pageSizeLimit(int64_t expectedSize);

/// Room reserved for a page of the expected size: never more than a sane bound, whatever
/// the parameters say.
size_t pageReserve(int64_t expectedSize);

}  // namespace scandesk

template <>
struct std::hash<scandesk::ScanParam> {
    size_t operator()(const scandesk::ScanParam& param) const noexcept;
};
