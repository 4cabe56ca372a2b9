// Hashing of scan parameter records over all 21 fields, in order, and the page size they imply.
#include "protocol/scan_param.h"

#include <algorithm>

#include "common/hashing.h"

namespace {

// Room a page may take beyond its expected size before the stream counts as broken.
constexpr int64_t kPageSizeSlackBytes = 16 * 1024 * 1024;
constexpr int64_t kPageSizeFactor = 4;
constexpr int64_t kMaxReserveBytes = 512 * 1024 * 1024;

}  // namespace

int64_t scandesk::pageSizeLimit(int64_t expectedSize) {
    return kPageSizeFactor * expectedSize + kPageSizeSlackBytes;
}

size_t scandesk::pageReserve(int64_t expectedSize) {
    return static_cast<size_t>(std::clamp<int64_t>(expectedSize, 0, kMaxReserveBytes));
}

int64_t scandesk::expectedPageSize(const ScanParam& param) {
    const int64_t w = std::max<int64_t>(0, param.w);
    const int64_t h = std::max<int64_t>(0, param.h);
    return param.mode == "TEXT" ? ((w + 7) / 8) * h : w * h;
}

size_t std::hash<scandesk::ScanParam>::operator()(const scandesk::ScanParam& p) const noexcept {
    size_t seed = 0;
    using scandesk::hashCombine;
    hashCombine(seed, p.source);
    hashCombine(seed, p.resolution);
    hashCombine(seed, p.mode);
    hashCombine(seed, p.type);
    hashCombine(seed, p.compression);
    hashCombine(seed, p.compressRatio);
    hashCombine(seed, p.brightness);
    hashCombine(seed, p.contrast);
    hashCombine(seed, p.x);
    hashCombine(seed, p.y);
    hashCombine(seed, p.w);
    hashCombine(seed, p.h);
    hashCombine(seed, p.dpi);
    hashCombine(seed, p.duplex);
    hashCombine(seed, p.gamma);
    hashCombine(seed, p.combineType);
    hashCombine(seed, p.filePath);
    hashCombine(seed, p.fileType);
    hashCombine(seed, p.rotateAngle);
    hashCombine(seed, p.hasScreen);
    hashCombine(seed, p.isSecondScan);
    return seed;
}
