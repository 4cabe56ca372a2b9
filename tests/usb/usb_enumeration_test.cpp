// Enumeration of attached scanners against scripted devices on an emulated bus.
#include "discovery/usb_enumeration.h"

#include <gtest/gtest.h>

#include "support/captured_lines.h"
#include "support/scripted_usb_scanner.h"
#include "usb/usb_error.h"

namespace scandesk {
namespace {

using testing::CapturedLines;
using testing::DeviceLayout;
using testing::UsbTestbed;

TEST(UsbEnumeration, CatalogueRowsOnlyAndEveryMatchOnce) {
    UsbTestbed bed;
    bed.attach(DeviceLayout{0x356C, 0x00AB});
    bed.attach(DeviceLayout{0x1234, 0x00AB});  // another maker's device with the same product ID
    bed.attach(DeviceLayout{0x356C, 0x0104});  // a model of the reference catalogue only
    bed.attach(DeviceLayout{0x356C, 0x00AB});  // a second identical scanner
    CapturedLines lines;

    const std::vector<Device> found = getDeviceByIOUSB();

    ASSERT_EQ(found.size(), 2u);
    for (const Device& device : found) {
        EXPECT_EQ(device.name, "Tessel T3");
        EXPECT_EQ(device.label, "Tessel T3");
        EXPECT_EQ(device.type, "USB");
        EXPECT_EQ(device.ip, "");
        EXPECT_EQ(device.PID, 0x00AB);
        EXPECT_EQ(device.VID, 0x356C);
    }
    EXPECT_NE(found[0].id, found[1].id);
    EXPECT_TRUE(lines.contains(" find device pid = 260 and vid = 13676"));
    EXPECT_TRUE(lines.contains(" find device pid = 171 and vid = 4660"));
    EXPECT_EQ(lines.count(" find kest device  pid = 171 and vid = 13676,and name = Tessel T3"), 2u);
    EXPECT_FALSE(lines.containsFragment("find kest device  pid = 260"));
}

TEST(UsbEnumeration, NoMakerDeviceGivesAnEmptyList) {
    UsbTestbed bed;
    bed.attach(DeviceLayout{0x1234, 0x5678});
    EXPECT_TRUE(getDeviceByIOUSB().empty());
}

TEST(UsbEnumeration, BusThatCannotStartGivesAnEmptyListAndOneLine) {
    CapturedLines lines;
    const auto failing = []() -> std::unique_ptr<UsbBus> {
        throw IOReturnError(kIOReturnNoResources);
    };
    EXPECT_TRUE(getDeviceByIOUSB(failing).empty());
    ASSERT_EQ(lines.lines().size(), 1u);
    EXPECT_EQ(lines.lines()[0], "usb enumeration unavailable. error = -536870210");
}

}  // namespace
}  // namespace scandesk
