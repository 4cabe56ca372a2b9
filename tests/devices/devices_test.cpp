// The catalogue's rules and the records of found scanners.
#include <gtest/gtest.h>

#include <optional>
#include <set>
#include <string_view>
#include <tuple>

#include "devices/catalogue.h"
#include "devices/options.h"

namespace scandesk {
namespace {

// USB discovery tells models apart by product id, and only a flatbed can lay two pages
// on one sheet.
TEST(Catalogue, ProductIdsAreUniqueAndFlatbedsCombinePages) {
    std::set<uint16_t> pids;
    size_t rows = 0;
    size_t flatbeds = 0;
    for (const auto* catalogue : {&IDDevice(), &KESTDevices()}) {
        for (const BaseDevice& row : *catalogue) {
            ++rows;
            pids.insert(row.PID);
            const bool flatbed = row.scanSource == scanSourceOptionFB();
            flatbeds += flatbed ? 1 : 0;
            EXPECT_EQ(row.supportCombine, flatbed) << row.name;
        }
    }
    EXPECT_EQ(pids.size(), rows);
    EXPECT_GT(flatbeds, 0u);
}

TEST(Device, LabelsAndRecordsOfOneScanner) {
    BaseDevice row;
    row.name = "Model X";
    const Device net = Device::fromNetworkRow(row, "10.0.0.2");
    EXPECT_EQ(net.label, "Model X(10.0.0.2)");
    EXPECT_EQ(net.transport, Transport::network);
    EXPECT_EQ(Device::fromUsbRow(row).transport, Transport::usb);
    EXPECT_EQ(net.ip, "10.0.0.2");
    EXPECT_EQ(Device::fromUsbRow(row).label, "Model X");
    // Two discovery runs give two records that never compare equal.
    EXPECT_NE(Device::fromNetworkRow(row, "10.0.0.2"), net);
    const Device copy = net;
    EXPECT_EQ(copy, net);
}

// Every text reads back as its own value, and only the exact spelling does.
TEST(OptionTexts, ReadBackExactly) {
    const auto readBack = []<typename E>(E, std::string_view refused) {
        for (E value : allOptions<E>()) {
            EXPECT_EQ(parseOption<E>(toText(value)), value) << toText(value);
        }
        EXPECT_EQ(parseOption<E>(refused), std::nullopt) << refused;
    };
    readBack(ScanSource{}, "fb"), readBack(ColorMode{}, "2"), readBack(ContentType{}, "TEXT");
    readBack(CombineType{}, "1"), readBack(FileType{}, "PDF"), readBack(Rotation{}, "-90");
    readBack(Transport{}, "net"), readBack(PageSize{}, "B5");
    EXPECT_EQ(
        std::tuple(parseResolution("1200dpi"), parseResolution("0300dpi"), resolutionText(600)),
        std::tuple(1200, std::nullopt, "600dpi"));
}

}  // namespace
}  // namespace scandesk
