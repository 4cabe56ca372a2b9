// Enumeration and hot-plug on the real libusb path, against devices on an emulated bus.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "discovery/usb_enumeration.h"
#include "session/default_services.h"
#include "session/scanner_model.h"
#include "support/usb_testbed.h"
#include "usb/usb_error.h"
#include "usb/usb_hotplug.h"

namespace scandesk {
namespace {

using namespace std::chrono_literals;
using testing::UsbTestbed;

TEST(UsbEnumeration, CatalogueModelsOfTheMakerOnlyAndEveryMatchOnce) {
    UsbTestbed bed;
    bed.attach(kMakerVendorId, 0x00AB);
    bed.attach(0x1234, 0x00AB);          // another maker's device with the same product ID
    bed.attach(kMakerVendorId, 0x0104);  // a model of the reference catalogue only
    bed.attach(kMakerVendorId, 0x00AB);  // a second identical scanner
    const std::vector<Device> found = getDeviceByIOUSB();
    ASSERT_EQ(found.size(), 2u);
    for (const Device& device : found) {
        EXPECT_EQ(device.name, "Tessel T3");
        EXPECT_EQ(device.transport, Transport::usb);
        EXPECT_EQ(device.PID, 0x00AB);
    }
    EXPECT_NE(found[0].id, found[1].id);

    const auto failing = []() -> std::unique_ptr<UsbBus> {
        throw IOReturnError(kIOReturnNoResources);
    };
    EXPECT_TRUE(getDeviceByIOUSB(failing).empty());
}

// Runs the queue until `done` or two seconds have passed.
void runUntil(ManualExecutor& queue, const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + 2s;
    while (!done() && std::chrono::steady_clock::now() < deadline) {
        queue.runFor(20ms);
    }
}

TEST(UsbHotplug, PresentDevicesFirstThenArrivalAndDeparture) {
    UsbTestbed bed;
    bed.attach(kMakerVendorId, 0x00AB);
    bed.attach(0x1234, 0x00AC);  // not matched
    ManualExecutor queue;
    std::vector<std::pair<std::string, uint16_t>> calls;
    auto token = observeDeviceList(UsbMatching{kMakerVendorId, std::nullopt},
                                   {kUsbDeviceArrived, kUsbDeviceLeft}, queue,
                                   [&](const std::string& name, const UsbService& service) {
                                       calls.emplace_back(name, service.productIdentifier);
                                   });
    // The present devices are queued before observation returns, not delivered inline.
    EXPECT_TRUE(calls.empty());
    queue.runAll();
    const std::string late = bed.attach(kMakerVendorId, 0x00AD);
    runUntil(queue, [&] { return calls.size() == 2; });
    bed.unplug(late);
    runUntil(queue, [&] { return calls.size() == 3; });
    EXPECT_EQ(calls, (decltype(calls){{kUsbDeviceArrived, 0x00AB},
                                      {kUsbDeviceArrived, 0x00AD},
                                      {kUsbDeviceLeft, 0x00AD}}));

    // An event queued before the token goes is dropped with it.
    bed.attach(kMakerVendorId, 0x00AE);
    const auto deadline = std::chrono::steady_clock::now() + 2s;
    while (queue.pending() == 0 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(5ms);
    }
    ASSERT_EQ(queue.pending(), 1u);
    token.reset();
    queue.runAll();
    EXPECT_EQ(calls.size(), 3u);
}

TEST(UsbHotplug, DroppingTheTokenInsideTheHandlerEndsTheCalls) {
    UsbTestbed bed;
    bed.attach(kMakerVendorId, 0x00AB);
    bed.attach(kMakerVendorId, 0x00AC);
    bed.attach(kMakerVendorId, 0x00AC);
    ManualExecutor queue;
    std::vector<uint16_t> seen;
    std::unique_ptr<UsbDeviceListObserver> token;
    token = observeDeviceList(kMakerVendorId, 0x00AC, {kUsbDeviceArrived}, queue,
                              [&](const std::string&, const UsbService& service) {
                                  seen.push_back(service.productIdentifier);
                                  token.reset();  // must neither deadlock nor call again
                              });
    queue.runAll();
    EXPECT_EQ(seen, std::vector<uint16_t>{0x00AC});
}

// The window's model follows the catalogue models plugged in, without a discovery run.
TEST(UsbHotplug, TheModelListsPluggedInScannersAndMovesTheSelectionOffOneThatLeaves) {
    UsbTestbed bed;
    bed.attach(kMakerVendorId, 0x00AB);  // present from the start
    ManualExecutor main;
    ManualExecutor background;  // never run: no discovery
    ScannerModel model(main, background, defaultModelServices(), false);
    model.followUsbScanners();
    const auto listed = [&](size_t count) {
        runUntil(main, [&] { return model.scannerList().size() == count; });
        std::string names;
        for (const Device& device : model.scannerList()) {
            names += device.name + ";";
        }
        return names;
    };
    EXPECT_EQ(listed(1), "Tessel T3;");
    bed.attach(kMakerVendorId, 0x0FFF);  // the maker's, but no catalogue model
    bed.attach(0x1234, 0x00AC);          // another maker's
    const std::string t5 = bed.attach(kMakerVendorId, 0x00AC);
    EXPECT_EQ(listed(2), "Tessel T3;Tessel T5;");

    model.setSelectedScanner(model.scannerList().at(1));
    bed.unplug(t5);
    EXPECT_EQ(listed(1), "Tessel T3;");
    EXPECT_EQ(model.selectedScanner().name, "Tessel T3");
}

}  // namespace
}  // namespace scandesk
