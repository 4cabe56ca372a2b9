// The hot-plug observer against scripted devices that come and go on an emulated bus.
#include "usb/usb_hotplug.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "session/default_services.h"
#include "session/scanner_model.h"
#include "support/captured_lines.h"
#include "support/scripted_usb_scanner.h"
#include "usb/usb_error.h"

namespace scandesk {
namespace {

using namespace std::chrono_literals;
using testing::DeviceLayout;
using testing::UsbTestbed;

struct Call {
    std::string name;
    uint16_t product = 0;
    bool operator==(const Call&) const = default;
};

// Runs the queue until `count` calls have arrived or a second has passed.
void awaitCalls(ManualExecutor& queue, const std::vector<Call>& calls, size_t count) {
    const auto deadline = std::chrono::steady_clock::now() + 1s;
    while (calls.size() < count && std::chrono::steady_clock::now() < deadline) {
        queue.runFor(20ms);
    }
}

TEST(UsbHotplug, PresentDevicesFirstThenArrivalAndDepartureThenSilence) {
    UsbTestbed bed;
    bed.attach(DeviceLayout{0x356C, 0x00AB});
    bed.attach(DeviceLayout{0x356C, 0x00AC});
    bed.attach(DeviceLayout{0x1234, 0x00AB});  // not matched
    ManualExecutor queue;
    std::vector<Call> calls;
    auto token =
        observeDeviceList(UsbMatching{0x356C, std::nullopt}, {kUsbDeviceArrived, kUsbDeviceLeft},
                          queue, [&](const std::string& name, const UsbService& service) {
                              calls.push_back({name, service.productIdentifier});
                          });

    // The present devices are queued before observation returns, not delivered inline.
    EXPECT_TRUE(calls.empty());
    queue.runAll();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].name, kUsbDeviceArrived);
    EXPECT_EQ(calls[1].name, kUsbDeviceArrived);
    EXPECT_NE(calls[0].product, calls[1].product);

    auto& late = bed.attach(DeviceLayout{0x356C, 0x00AD});
    awaitCalls(queue, calls, 3);
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[2], (Call{kUsbDeviceArrived, 0x00AD}));

    bed.unplug(late);
    awaitCalls(queue, calls, 4);
    ASSERT_EQ(calls.size(), 4u);
    EXPECT_EQ(calls[3], (Call{kUsbDeviceLeft, 0x00AD}));

    // An event queued before the token goes is dropped with it.
    bed.attach(DeviceLayout{0x356C, 0x00AE});
    std::this_thread::sleep_for(300ms);
    token.reset();
    bed.attach(DeviceLayout{0x356C, 0x00AF});
    std::this_thread::sleep_for(100ms);
    queue.runAll();
    EXPECT_EQ(calls.size(), 4u);
}

TEST(UsbHotplug, NoNamesDeliverNothingAndUnknownNamesAreIgnored) {
    UsbTestbed bed;
    bed.attach();
    ManualExecutor queue;
    int calls = 0;
    const auto count = [&](const std::string&, const UsbService&) { ++calls; };
    auto none = observeDeviceList({}, queue, count);
    auto unknown = observeDeviceList({"IOServiceFirstMatch"}, queue, count);
    bed.attach();
    queue.runFor(100ms);
    EXPECT_EQ(calls, 0);
}

TEST(UsbHotplug, ProductFilterAndDroppingTheTokenInsideTheHandler) {
    UsbTestbed bed;
    bed.attach(DeviceLayout{0x356C, 0x00AB});
    bed.attach(DeviceLayout{0x356C, 0x00AC});
    ManualExecutor queue;
    std::vector<uint16_t> seen;
    std::unique_ptr<UsbDeviceListObserver> token;
    token = observeDeviceList(0x356C, 0x00AC, {kUsbDeviceArrived}, queue,
                              [&](const std::string&, const UsbService& service) {
                                  seen.push_back(service.productIdentifier);
                                  token.reset();  // must neither deadlock nor call again
                              });
    queue.runAll();
    EXPECT_EQ(seen, std::vector<uint16_t>{0x00AC});
    EXPECT_EQ(token, nullptr);
}

// The window's model follows the maker's catalogue models on the real hot-plug path,
// without a discovery run.
TEST(UsbHotplug, TheModelListsPluggedInScannersAndMovesTheSelectionOffOneThatLeaves) {
    UsbTestbed bed;
    bed.attach(DeviceLayout{0x356C, 0x00AB});  // present from the start
    ManualExecutor main;
    ManualExecutor background;  // never run: no discovery
    ScannerModel model(main, background, defaultModelServices(), false);
    model.followUsbScanners();
    const auto listed = [&](size_t count) {
        const auto deadline = std::chrono::steady_clock::now() + 2s;
        while (model.scannerList().size() != count && std::chrono::steady_clock::now() < deadline) {
            main.runFor(20ms);
        }
        std::vector<std::string> names;
        for (const Device& device : model.scannerList()) {
            names.push_back(device.name + "/" + device.type);
        }
        return names;
    };
    EXPECT_EQ(listed(1), std::vector<std::string>{"Tessel T3/USB"});
    EXPECT_EQ(model.selectedScanner().name, "Tessel T3");

    bed.attach(DeviceLayout{0x356C, 0x0FFF});  // the maker's, but no catalogue model
    bed.attach(DeviceLayout{0x1234, 0x00AC});  // another maker's
    auto& t5 = bed.attach(DeviceLayout{0x356C, 0x00AC});
    EXPECT_EQ(listed(2), (std::vector<std::string>{"Tessel T3/USB", "Tessel T5/USB"}));
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(listed(2).size(), 2u);

    model.setSelectedScanner(model.scannerList().at(1));
    bed.unplug(t5);
    EXPECT_EQ(listed(1), std::vector<std::string>{"Tessel T3/USB"});
    EXPECT_EQ(model.selectedScanner().name, "Tessel T3");
}

TEST(UsbHotplug, MissingSupportIsReportedClearly) {
    testing::CapturedLines lines;
    EXPECT_NO_THROW(requireHotplugSupport(true));
    try {
        requireHotplugSupport(false);
        FAIL() << "no error thrown";
    } catch (const IOReturnError& error) {
        EXPECT_EQ(error.code(), kIOReturnUnsupported);
    }
    EXPECT_TRUE(
        lines.contains("error happened at func observeDeviceList  and error is: "
                       "Optional(\"Unsupported function\")"));
}

}  // namespace
}  // namespace scandesk
