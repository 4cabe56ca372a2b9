// Hashing of scan parameter records over all 21 fields, in order.
#include "protocol/scan_param.h"

#include "common/hashing.h"

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
