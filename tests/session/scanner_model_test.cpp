// The model's discovery runs, selection, alerts and observers, with fake searches and
// hand-cranked executors.
#include "session/scanner_model.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "devices/options.h"
#include "fake_services.h"
#include "support/captured_lines.h"

namespace scandesk {
namespace {

using ::testing::ElementsAre;
using testing::fakeScanner;

// A model over fake searches and hand-cranked executors; three keys get a visible translation.
class ModelTest : public ::testing::Test {
  protected:
    std::unique_ptr<ScannerModel> makeModel(bool discoverAtStart = true) {
        auto model = std::make_unique<ScannerModel>(main, background, testing::fakeServices(record),
                                                    discoverAtStart);
        model->addObserver([this](ModelProperty p) { told.push_back(propertyName(p)); });
        return model;
    }

    // Runs the queued search, then applies its result.
    void finishSearch() {
        background.runAll();
        main.runAll();
    }

    std::shared_ptr<testing::FakeRecord> record = std::make_shared<testing::FakeRecord>();
    ManualExecutor main;
    ManualExecutor background;
    std::vector<std::string> told;
    testing::CapturedLines lines;
    testing::ScopedLocalizer texts{{{"error", "Error"},
                                    {"noScannerFound", "No scanner found"},
                                    {"noScannerAtAddress", "Nothing answered at %1"}}};
};

TEST_F(ModelTest, DiscoveryListsEachNetworkScannerAsFoundThenTheWholeResult) {
    const Device first = fakeScanner("first", "Net", true);
    const Device second = fakeScanner("second", "Net", false);
    const Device usb = fakeScanner("usb", "USB", false);
    record->networkResults = {{first, second}};
    record->usbResults = {{usb}};
    auto model = makeModel();
    EXPECT_EQ(model->selectedScanner().name, "");  // the placeholder

    background.runAll();
    EXPECT_THAT(record->searches, ElementsAre("net", "usb"));
    EXPECT_TRUE(model->isFinding());
    EXPECT_TRUE(model->scannerList().empty());  // applied only on the main executor
    EXPECT_TRUE(told.empty());                  // observers too

    while (model->scannerList().size() < 2 && main.runOne()) {
        if (model->scannerList().size() == 1) {
            EXPECT_EQ(model->selectedScanner(), first);
        }
    }
    EXPECT_THAT(model->scannerList(), ElementsAre(first, second));
    EXPECT_EQ(model->selectedScanner(), first);
    EXPECT_TRUE(model->isFinding());  // until the whole run is over

    main.runAll();
    EXPECT_THAT(model->scannerList(), ElementsAre(first, second, usb));
    EXPECT_EQ(model->selectedScanner(), first);
    EXPECT_FALSE(model->isFinding());
    EXPECT_FALSE(model->showAlert());
    EXPECT_EQ(told.back(), "isFinding");
}

TEST_F(ModelTest, NothingFoundRaisesTheLocalisedAlertAndKeepsTheSelection) {
    auto model = makeModel();
    const Device placeholder = model->selectedScanner();
    finishSearch();
    EXPECT_TRUE(model->scannerList().empty());
    EXPECT_TRUE(model->showAlert());
    EXPECT_EQ(model->alertTitle(), "Error");
    EXPECT_EQ(model->alertMessage(), "No scanner found");
    EXPECT_EQ(model->selectedScanner(), placeholder);
    EXPECT_FALSE(model->isFinding());
    // The texts come before the flag, so an observer of the flag reads this alert.
    EXPECT_THAT(std::vector(told.end() - 4, told.end()),
                ElementsAre("alertTitle", "alertMessage", "showAlert", "isFinding"));
    model->dismissAlert();
    EXPECT_FALSE(model->showAlert());
}

TEST_F(ModelTest, ALaterRunKeepsASelectionItFindsAgainElseSelectsItsFirst) {
    const Device a = fakeScanner("a", "Net", true);
    const Device b = fakeScanner("b", "USB", true);
    const Device c = fakeScanner("c", "USB", true);
    record->networkResults = {{a}, {}, {}};
    record->usbResults = {{b}, {c, b}, {c}};
    auto model = makeModel();
    finishSearch();
    model->setSelectedScanner(b);
    model->autoDetectScanners();
    finishSearch();
    EXPECT_THAT(model->scannerList(), ElementsAre(c, b));
    EXPECT_EQ(model->selectedScanner(), b);
    model->autoDetectScanners();
    finishSearch();
    EXPECT_EQ(model->selectedScanner(), c);
}

TEST_F(ModelTest, NotificationsForRemovedObserversOrADestroyedModelAreDropped) {
    record->networkResults = {{fakeScanner("a", "Net", true)}};
    int calls = 0;
    auto model = makeModel(false);
    const ObserverId id = model->addObserver([&](ModelProperty) { ++calls; });
    model->dismissAlert();
    model->removeObserver(id);
    main.runAll();
    EXPECT_EQ(calls, 0);

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
    auto model = makeModel(false);
    model->addScanner(fakeScanner("other", "USB", true));
    for (int round = 0; round < 2; ++round) {
        found.id = Uuid::random();
        record->identified = found;
        model->addScannerByAddress("192.0.2.44");
        background.runAll();
        EXPECT_TRUE(model->isFinding());
        main.runAll();
        EXPECT_FALSE(model->isFinding());
    }
    const auto list = model->scannerList();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].name, "other");
    EXPECT_EQ(list[1], found);
    EXPECT_EQ(model->selectedScanner(), found);

    record->identified.reset();
    model->addScannerByAddress("192.0.2.45");
    finishSearch();
    EXPECT_EQ(model->scannerList().size(), 2u);
    EXPECT_EQ(model->alertMessage(), "Nothing answered at 192.0.2.45");
}

}  // namespace
}  // namespace scandesk
