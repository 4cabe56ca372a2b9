// The result text parser and the catalogue match, without a network.
#include "discovery/snmp_result_text.h"

#include <gtest/gtest.h>

#include "devices/catalogue.h"
#include "support/captured_lines.h"

namespace scandesk {
namespace {

using testing::CapturedLines;

struct ParseRow {
    const char* name;
    std::string text;
    std::vector<DiscoveryRecord> records;
};

class ParseDiscoveryRecords : public ::testing::TestWithParam<ParseRow> {};

TEST_P(ParseDiscoveryRecords, SplitsRecordsAndFields) {
    EXPECT_EQ(parseDiscoveryRecords(GetParam().text), GetParam().records);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ParseDiscoveryRecords,
    ::testing::Values(
        ParseRow{"empty", "", {}},
        ParseRow{"one",
                 "192.168.1.20,SNMPv2-SMI::enterprises.53303.4.7.1.52|",
                 {{"192.168.1.20", "SNMPv2-SMI::enterprises.53303.4.7.1.52"}}},
        ParseRow{"two_in_order", "10.0.0.2,b|10.0.0.1,a|", {{"10.0.0.2", "b"}, {"10.0.0.1", "a"}}},
        ParseRow{"empty_pieces_skipped", "||10.0.0.1,a|||", {{"10.0.0.1", "a"}}},
        ParseRow{"one_field_skipped", "10.0.0.1|10.0.0.2,b|", {{"10.0.0.2", "b"}}},
        ParseRow{"empty_identifier_kept", "10.0.0.1,|", {{"10.0.0.1", ""}}},
        ParseRow{"extra_fields_ignored", "10.0.0.1,a,b|", {{"10.0.0.1", "a"}}},
        ParseRow{"no_final_bar", "10.0.0.1,a", {{"10.0.0.1", "a"}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(NormalisedObjectId, KeepsWhatFollowsModuleAndEnterprises) {
    const std::vector<std::pair<std::string, std::string>> rows{
        {"SNMPv2-SMI::enterprises.53303.4.7.1.53", "53303.4.7.1.53"},
        {"enterprises.53303.4.7.1.52", "53303.4.7.1.52"},
        {".1.3.6.1.4.1.53303.4.7.1.53", ".1.3.6.1.4.1.53303.4.7.1.53"},
        {"iso.3.6.1.4.1.53303.4.7.1.52", "iso.3.6.1.4.1.53303.4.7.1.52"},
        {"A::B::enterprises.7", "7"},
        {"X::private.enterprises.enterprises.9", "enterprises.9"},
        {"", ""},
    };
    for (const auto& [printed, expected] : rows) {
        EXPECT_EQ(normalisedObjectId(printed), expected) << printed;
    }
}

TEST(DevicesFromDiscoveryText, BuildsANetworkDeviceForAMatchingAnswer) {
    CapturedLines captured;
    const auto devices =
        devicesFromDiscoveryText("192.168.1.20,SNMPv2-SMI::enterprises.53303.4.7.1.53|");
    ASSERT_EQ(devices.size(), 1u);
    const Device& device = devices[0];
    EXPECT_EQ(device.name, "Tessel T5");
    EXPECT_EQ(device.label, "Tessel T5(192.168.1.20)");
    EXPECT_EQ(device.type, "Net");
    EXPECT_EQ(device.ip, "192.168.1.20");
    EXPECT_EQ(device.PID, 0x00AC);
    EXPECT_EQ(device.VID, 0x356C);
    EXPECT_EQ(device.paperSize, IDDevice()[1].paperSize);
    EXPECT_TRUE(captured.contains(" find kest device  ip = 192.168.1.20 ,and name = Tessel T5"));
}

TEST(DevicesFromDiscoveryText, DropsAnswersThatMatchNoRow) {
    CapturedLines captured;
    const std::vector<std::string> texts{
        "192.168.1.20,.1.3.6.1.4.1.53303.4.7.1.53|",            // numeric form
        "192.168.1.20,iso.3.6.1.4.1.53303.4.7.1.52|",           // without the module
        "192.168.1.20,SNMPv2-SMI::enterprises.53303.4.7.1.5|",  // a document scanner
        "192.168.1.20,SNMPv2-SMI::enterprises.53303.4.7.1.520|",
        "192.168.1.20,SNMPv2-SMI::ENTERPRISES.53303.4.7.1.52|",
        "192.168.1.20,|",  // an answer without sysObjectID
        "192.168.1.20|",
    };
    for (const auto& text : texts) {
        EXPECT_TRUE(devicesFromDiscoveryText(text).empty()) << text;
    }
    EXPECT_FALSE(captured.containsFragment("find kest device"));
}

TEST(DevicesFromDiscoveryText, AScannerSeenThroughTwoInterfacesIsListedTwice) {
    const auto devices = devicesFromDiscoveryText(
        "192.168.1.20,SNMPv2-SMI::enterprises.53303.4.7.1.52|"
        "192.168.1.20,SNMPv2-SMI::enterprises.53303.4.7.1.52|");
    ASSERT_EQ(devices.size(), 2u);
    EXPECT_EQ(devices[0].label, devices[1].label);
    EXPECT_NE(devices[0].id, devices[1].id);
}

TEST(DevicesFromDiscoveryText, KeepsEveryRecordOfALongText) {
    // Far beyond the few kilobytes one buffer once held.
    std::string text;
    constexpr int SCANNERS = 250;
    for (int i = 0; i < SCANNERS; ++i) {
        const std::string address =
            "10.0." + std::to_string(i / 200) + "." + std::to_string(i % 200);
        text += address + ",SNMPv2-SMI::enterprises.53303.4.7.1." + (i % 2 ? "53" : "52") + "|";
        text += address + ",SNMPv2-SMI::enterprises.53303.9.9.9.9.9.9.9.9.9.9.9.9.9.9.9|";
    }
    ASSERT_GT(text.size(), 10000u);
    const auto devices = devicesFromDiscoveryText(text);
    ASSERT_EQ(devices.size(), static_cast<size_t>(SCANNERS));
    EXPECT_EQ(devices.back().label, "Tessel T5(10.0.1.49)");
}

}  // namespace
}  // namespace scandesk
