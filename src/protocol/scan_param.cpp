// The page size scan parameters imply.
#include "protocol/scan_param.h"

#include <algorithm>

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
    return param.mode == ColorMode::blackWhite ? ((w + 7) / 8) * h : w * h;
}
