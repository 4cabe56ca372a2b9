// The model's discovery runs, scanners added by address and the transport choice, with
// fake searches and hand-cranked executors.
#include "session/scanner_model.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "common/localization.h"
#include "fake_services.h"
#include "session/transport_choice.h"
#include "support/captured_lines.h"

namespace scandesk {
namespace {

using ::testing::ElementsAre;
using testing::fakeScanner;

class ModelTest : public ::testing::Test {
  protected:
    // Runs the queued searches, then applies their results.
    void finishSearch() {
        background.runAll();
        main.runAll();
    }

    std::shared_ptr<testing::FakeRecord> record = std::make_shared<testing::FakeRecord>();
    ManualExecutor main;
    ManualExecutor background;
    testing::CapturedLines lines;  // keeps the output quiet
    std::unique_ptr<ScannerModel> model =
        std::make_unique<ScannerModel>(main, background, testing::fakeServices(record), false);
};

TEST_F(ModelTest, DiscoveryListsNetworkThenUsbScannersAndKeepsASelectionItFindsAgain) {
    const Device a = fakeScanner("a", "Net", true);
    const Device b = fakeScanner("b", "USB", true);
    const Device c = fakeScanner("c", "USB", true);
    record->networkResults = {{a}, {}, {}};
    record->usbResults = {{b}, {c, b}, {c}};
    model->autoDetectScanners();
    background.runAll();
    EXPECT_TRUE(model->scannerList().empty());  // applied on the main executor only
    while (model->scannerList().empty() && main.runOne()) {
    }
    EXPECT_THAT(model->scannerList(), ElementsAre(a));  // listed as soon as found
    EXPECT_TRUE(model->isFinding());
    main.runAll();
    EXPECT_THAT(model->scannerList(), ElementsAre(a, b));
    EXPECT_EQ(model->selectedScanner(), a);
    EXPECT_FALSE(model->isFinding());
    model->setSelectedScanner(b);
    model->autoDetectScanners();
    finishSearch();
    EXPECT_THAT(model->scannerList(), ElementsAre(c, b));
    EXPECT_EQ(model->selectedScanner(), b);
    model->autoDetectScanners();
    finishSearch();
    EXPECT_EQ(model->selectedScanner(), c);
}

TEST_F(ModelTest, NothingFoundRaisesTheAlertAndKeepsTheSelection) {
    const Device placeholder = model->selectedScanner();
    model->autoDetectScanners();
    finishSearch();
    EXPECT_TRUE(model->showAlert());
    EXPECT_EQ(model->alertMessage(), "noScannerFound");
    EXPECT_EQ(model->selectedScanner(), placeholder);
}

TEST_F(ModelTest, WorkQueuedForADestroyedModelDoesNothing) {
    int calls = 0;
    model->addObserver([&](ModelProperty) { ++calls; });
    model->autoDetectScanners();
    model->dismissAlert();
    model.reset();
    finishSearch();
    EXPECT_EQ(calls, 0);
    EXPECT_TRUE(record->searches.empty());
}

TEST_F(ModelTest, AScannerFoundByAddressIsAddedOnceAndSelected) {
    Device found = fakeScanner("by-address", "Net", true);
    found.ip = "192.0.2.44";
    model->addScanner(fakeScanner("other", "USB", true));
    for (int round = 0; round < 2; ++round) {
        found.id = Uuid::random();
        record->identified = found;
        model->addScannerByAddress("192.0.2.44");
        finishSearch();
    }
    ASSERT_EQ(model->scannerList().size(), 2u);
    EXPECT_EQ(model->scannerList()[1], found);
    EXPECT_EQ(model->selectedScanner(), found);
    record->identified.reset();
    // The alert names the address where its text has a place for it.
    const Localizer identity =
        setLocalizer([](std::string_view key) { return std::string(key) + " %1"; });
    model->addScannerByAddress("192.0.2.45");
    finishSearch();
    setLocalizer(identity);
    EXPECT_EQ(model->scannerList().size(), 2u);
    EXPECT_EQ(model->alertMessage(), "noScannerAtAddress 192.0.2.45");
}

TEST(TransportChoice, OnlyNetDevicesGoOverTheNetwork) {
    std::vector<std::string> made;
    auto recorder = [&made](std::string transport) -> ScanProcessFactory {
        return [&made, transport](const Device&, ScanCommand, PageSink, PageProgress) {
            made.push_back(transport);
            return std::unique_ptr<ScanProcess>();
        };
    };
    const ScanProcessFactory choose = chooseTransport(recorder("net"), recorder("usb"));
    for (const char* type : {"Net", "USB", "", "net"}) {
        Device device;
        device.type = type;
        choose(device, ScanCommand(ScanParam{}), nullptr, nullptr);
    }
    EXPECT_EQ(made, (std::vector<std::string>{"net", "usb", "usb", "usb"}));
}

}  // namespace
}  // namespace scandesk
