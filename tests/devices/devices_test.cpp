// The catalogue's rules and the records of found scanners.
#include <gtest/gtest.h>

#include <optional>
#include <set>
#include <string_view>
#include <utility>
#include <vector>

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
template <typename E>
void expectTextsReadBack(std::vector<std::string_view> refused) {
    for (E value : allOptions<E>()) {
        EXPECT_EQ(parseOption<E>(toText(value)), value) << toText(value);
    }
    for (std::string_view text : refused) {
        EXPECT_EQ(parseOption<E>(text), std::nullopt) << text;
    }
}

TEST(OptionTexts, ReadBackExactly) {
    expectTextsReadBack<ScanSource>({"fb", "FB ", ""});
    expectTextsReadBack<ColorMode>({"2", "text"});
    expectTextsReadBack<ContentType>({"TEXT"});
    expectTextsReadBack<CombineType>({"1", "nocombine"});
    expectTextsReadBack<FileType>({"1", "PDF"});
    expectTextsReadBack<Rotation>({"3", "45", "-90"});
    expectTextsReadBack<Transport>({"net"});
    expectTextsReadBack<PageSize>({"4", "B5", "a4"});
    for (const auto& [text, dpi] :
         std::vector<std::pair<std::string_view, std::optional<int>>>{{"300dpi", 300},
                                                                      {"1200dpi", 1200},
                                                                      {"3", std::nullopt},
                                                                      {"dpi", std::nullopt},
                                                                      {"0300dpi", std::nullopt},
                                                                      {"-300dpi", std::nullopt},
                                                                      {"300 dpi", std::nullopt}}) {
        EXPECT_EQ(parseResolution(text), dpi) << text;
    }
    EXPECT_EQ(resolutionText(600), "600dpi");
}

}  // namespace
}  // namespace scandesk
