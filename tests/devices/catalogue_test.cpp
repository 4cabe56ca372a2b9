// Catalogue invariants, option lists and the status table.
#include "devices/catalogue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <thread>

#include "devices/options.h"
#include "protocol/scanner_replies.h"

namespace scandesk {
namespace {

TEST(Catalogue, NoTwoRowsShareAProductIdAndAllCarryTheMakersVendorId) {
    std::set<uint16_t> pids;
    size_t rows = 0;
    for (const auto* catalogue : {&IDDevice(), &KESTDevices()}) {
        for (const auto& row : *catalogue) {
            ++rows;
            pids.insert(row.PID);
            EXPECT_EQ(row.VID, 0x356C) << row.name;
            EXPECT_EQ(row.adfResolution, adfResolutionOption()) << row.name;
            EXPECT_EQ(row.fbResolution, fbResolutionOption()) << row.name;
        }
    }
    EXPECT_EQ(rows, 19u);
    EXPECT_EQ(pids.size(), rows);
}

TEST(Catalogue, FirstIdDeviceRowIsTheT3) {
    const auto& row = IDDevice().at(0);
    EXPECT_EQ(row.name, "Tessel T3");
    EXPECT_EQ(row.oid, "53303.4.7.1.52");
    EXPECT_EQ(row.PID, 0x00AB);
    EXPECT_EQ(row.scanSource, scanSourceOptionN());
    EXPECT_EQ(row.paperSize, pageSizeOptionForId());
    EXPECT_TRUE(row.hasScreen);
    EXPECT_FALSE(row.supportCombine);
    EXPECT_EQ(IDDevice().at(1).name, "Tessel T5");
    EXPECT_EQ(idDeviceByOid("53303.4.7.1.53")->PID, 0x00AC);
    EXPECT_FALSE(idDeviceByOid("53303.4.7.1.5").has_value());  // a KESTDevices row
    EXPECT_FALSE(idDeviceByPid(0x0104).has_value());
}

TEST(Catalogue, KestRowsByFamily) {
    const auto& rows = KESTDevices();
    ASSERT_EQ(rows.size(), 17u);
    EXPECT_EQ(rows.front().name, "Quillon Q7 Duo");
    EXPECT_EQ(rows.back().name, "Quillon Q9");
    for (const auto& row : rows) {
        const bool flatbed = row.scanSource == scanSourceOptionFB();
        EXPECT_EQ(row.hasScreen, !flatbed) << row.name;
        EXPECT_EQ(row.supportCombine, flatbed) << row.name;
        EXPECT_EQ(row.paperSize, flatbed ? pageSizeOptionFor20() : pageSizeOption()) << row.name;
    }
    const auto usbOnly =
        std::count_if(rows.begin(), rows.end(), [](const auto& r) { return r.oid.empty(); });
    EXPECT_EQ(usbOnly, 2);
}

TEST(OptionLists, PageSizeFamilies) {
    const auto has = [](const OptionList& list, const std::string& entry) {
        return std::find(list.begin(), list.end(), entry) != list.end();
    };
    EXPECT_TRUE(has(pageSizeOptionFor20(), "A6"));
    EXPECT_FALSE(has(pageSizeOptionFor20(), "B5(ISO)"));
    EXPECT_FALSE(has(pageSizeOptionFor20(), "4R"));
    for (const auto* list : {&pageSizeOption(), &pageSizeOptionFor20()}) {
        EXPECT_FALSE(has(*list, "Folio"));
        EXPECT_FALSE(has(*list, "Legal"));
    }
    EXPECT_TRUE(has(pageSizeOptionForId(), "Folio"));
    EXPECT_TRUE(has(pageSizeOptionForId(), "Legal"));
    EXPECT_EQ(rotateOption(), (std::vector<int>{0, 90, 180, 270}));
    EXPECT_EQ(rotateOptionTexts(), (OptionList{"0", "90", "180", "270"}));
    EXPECT_EQ(combineTypeOption().front(), "NoCombine");
    EXPECT_EQ(fbResolutionOption().back(), "1200dpi");
    EXPECT_EQ(adfResolutionOption().back(), "600dpi");
}

TEST(ScanStatusTable, NamesAndGaps) {
    EXPECT_EQ(ScanStatus().size(), 13u);
    const std::vector<std::pair<int, std::optional<std::string>>> rows{
        {0x80, "scanFinished"},
        {0xC3, "paperJunck"},
        {0xD0, "commandXSyntaxError"},
        {0xE9, "pushOutPaperFailed"},
        {0x83, "forceInterruptByCommadR"},
        {0x42, std::nullopt},
        {0x64, std::nullopt},
        {0x82, std::nullopt},
        {0x00, std::nullopt},
        {0x1C2, std::nullopt},
    };
    for (const auto& [byte, name] : rows) {
        EXPECT_EQ(scanStatusName(byte), name) << byte;
    }
}

// Many threads reading the tables for the first time at once must all see the same,
// fully built values (the sanitize preset checks for races).
TEST(ConstantTables, ConcurrentFirstReadsSeeOneValue) {
    std::vector<std::thread> threads;
    std::vector<const void*> seen(16);
    std::vector<size_t> sizes(16);
    for (size_t i = 0; i < seen.size(); ++i) {
        threads.emplace_back([i, &seen, &sizes] {
            seen[i] = &IDDevice();
            sizes[i] = IDDevice().size() + KESTDevices().size() + ScanStatus().size() +
                       pageSizeOptionForId().size() + colorModeOption().size();
        });
    }
    for (auto& t : threads) {
        t.join();
    }
    for (size_t i = 0; i < seen.size(); ++i) {
        EXPECT_EQ(seen[i], seen[0]);
        EXPECT_EQ(sizes[i], 2u + 17u + 13u + 8u + 3u);
    }
}

}  // namespace
}  // namespace scandesk
