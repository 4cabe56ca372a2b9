// Scan parameter records compare and hash over every field.
#include "protocol/scan_param.h"

#include <gtest/gtest.h>

#include <functional>
#include <unordered_set>

namespace scandesk {
namespace {

TEST(ScanParam, EveryFieldTakesPartInEqualityAndHash) {
    const ScanParam base{"AUTO", "200,200",   "GRAY256", "AUTO", "JPEG", "MID", "50",
                         "50",   0,           0,         1621,   2294,   200,   "SIN",
                         1,      "NoCombine", "/d/file", "JPEG", 0,      true,  false};
    const std::vector<std::function<void(ScanParam&)>> changes{
        [](ScanParam& p) { p.source = "FB"; },
        [](ScanParam& p) { p.resolution = "300,300"; },
        [](ScanParam& p) { p.mode = "TEXT"; },
        [](ScanParam& p) { p.type = "PHOTO"; },
        [](ScanParam& p) { p.compression = "BMP"; },
        [](ScanParam& p) { p.compressRatio = "HIGH"; },
        [](ScanParam& p) { p.brightness = "51"; },
        [](ScanParam& p) { p.contrast = "49"; },
        [](ScanParam& p) { p.x = 1; },
        [](ScanParam& p) { p.y = 1; },
        [](ScanParam& p) { p.w = 1622; },
        [](ScanParam& p) { p.h = 2295; },
        [](ScanParam& p) { p.dpi = 300; },
        [](ScanParam& p) { p.duplex = "DUP"; },
        [](ScanParam& p) { p.gamma = 2; },
        [](ScanParam& p) { p.combineType = "IDCard"; },
        [](ScanParam& p) { p.filePath = "/e/file"; },
        [](ScanParam& p) { p.fileType = "PDF"; },
        [](ScanParam& p) { p.rotateAngle = 90; },
        [](ScanParam& p) { p.hasScreen = false; },
        [](ScanParam& p) { p.isSecondScan = true; },
    };
    std::unordered_set<size_t> hashes{std::hash<ScanParam>{}(base)};
    for (size_t i = 0; i < changes.size(); ++i) {
        ScanParam changed = base;
        changes[i](changed);
        EXPECT_NE(changed, base) << "field " << i + 1;
        hashes.insert(std::hash<ScanParam>{}(changed));
    }
    EXPECT_EQ(hashes.size(), changes.size() + 1);
    ScanParam copy = base;
    EXPECT_EQ(copy, base);
    EXPECT_EQ(std::hash<ScanParam>{}(copy), std::hash<ScanParam>{}(base));
}

}  // namespace
}  // namespace scandesk

namespace scandesk {
namespace {

TEST(ExpectedPageSize, OneBitRowsRoundUpToWholeBytes) {
    struct Row {
        const char* mode;
        int64_t w, h, bytes;
    };
    for (const Row& row :
         {Row{"TEXT", 1632, 2294, 204 * 2294}, Row{"TEXT", 1621, 3, 203 * 3},
          Row{"GRAY256", 1621, 2294, 1621 * 2294}, Row{"CGRAY", 9728, 13764, 9728LL * 13764},
          Row{"TEXT", -8, 10, 0}, Row{"GRAY256", 10, -1, 0}}) {
        ScanParam p;
        p.mode = row.mode;
        p.w = row.w;
        p.h = row.h;
        EXPECT_EQ(expectedPageSize(p), row.bytes) << row.mode << " " << row.w << "x" << row.h;
    }
}

}  // namespace
}  // namespace scandesk
