// Device records: construction from catalogue rows, equality and hashing.
#include "devices/device.h"

#include <gtest/gtest.h>

#include <functional>

#include "devices/catalogue.h"
#include "devices/options.h"

namespace scandesk {
namespace {

TEST(Device, NetworkRecordFromFirstIdDeviceRow) {
    const Device d = Device::fromNetworkRow(IDDevice().at(0), "192.168.1.20");
    EXPECT_EQ(d.label, "Tessel T3(192.168.1.20)");
    EXPECT_EQ(d.type, "Net");
    EXPECT_EQ(d.ip, "192.168.1.20");
    EXPECT_EQ(d.VID, 0x356C);
    EXPECT_EQ(d.PID, 0x00AB);
    EXPECT_EQ(d.paperSize, pageSizeOptionForId());
    EXPECT_EQ(d.paperSize.size(), 8u);
}

TEST(Device, UsbRecordUsesTheNameAsLabel) {
    const Device d = Device::fromUsbRow(IDDevice().at(1));
    EXPECT_EQ(d.label, "Tessel T5");
    EXPECT_EQ(d.type, "USB");
    EXPECT_TRUE(d.ip.empty());
}

TEST(Device, TwoRecordsOfOneScannerDifferButACopyIsEqual) {
    const Device a = Device::fromNetworkRow(IDDevice().at(0), "10.0.0.2");
    const Device b = Device::fromNetworkRow(IDDevice().at(0), "10.0.0.2");
    EXPECT_NE(a, b);
    EXPECT_NE(a.id, b.id);
    EXPECT_NE(std::hash<Device>{}(a), std::hash<Device>{}(b));
    const Device copy = a;
    EXPECT_EQ(copy, a);
    EXPECT_EQ(std::hash<Device>{}(copy), std::hash<Device>{}(a));
    EXPECT_EQ(a.id.toString().size(), 36u);
}

TEST(Device, EveryFieldTakesPartInEqualityAndHash) {
    const Device base = Device::fromNetworkRow(IDDevice().at(0), "10.0.0.2");
    const std::vector<std::function<void(Device&)>> changes{
        [](Device& d) { d.id = Uuid::random(); },
        [](Device& d) { d.name = "x"; },
        [](Device& d) { d.label = "x"; },
        [](Device& d) { d.type = "USB"; },
        [](Device& d) { d.ip = "10.0.0.3"; },
        [](Device& d) { d.PID = 1; },
        [](Device& d) { d.VID = 1; },
        [](Device& d) { d.scanSource.pop_back(); },
        [](Device& d) { d.adfResolution.push_back("x"); },
        [](Device& d) { d.fbResolution.front() = "x"; },
        [](Device& d) { d.paperSize.clear(); },
        [](Device& d) { d.hasScreen = !d.hasScreen; },
        [](Device& d) { d.supportCombine = !d.supportCombine; },
    };
    for (size_t i = 0; i < changes.size(); ++i) {
        Device changed = base;
        changes[i](changed);
        EXPECT_NE(changed, base) << "field " << i + 1;
        EXPECT_NE(std::hash<Device>{}(changed), std::hash<Device>{}(base)) << "field " << i + 1;
    }
}

}  // namespace
}  // namespace scandesk
