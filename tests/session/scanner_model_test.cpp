// The model's discovery runs, selection, alerts and observers, with fake searches and
// hand-cranked executors.
#include "session/scanner_model.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <thread>

#include "common/localization.h"
#include "devices/options.h"
#include "fake_services.h"
#include "support/captured_lines.h"

namespace scandesk {
namespace {

using ::testing::ElementsAre;
using testing::FakeRecord;
using testing::fakeScanner;

// A model over fake searches and hand-cranked executors; two keys get a visible translation.
class ModelTest : public ::testing::Test {
  protected:
    std::unique_ptr<ScannerModel> makeModel(bool discoverAtStart = true) {
        return std::make_unique<ScannerModel>(main, background, testing::fakeServices(record),
                                              discoverAtStart);
    }

    // Records the properties observers are told about.
    void observe(ScannerModel& model) {
        model.addObserver([this](ModelProperty p) { told.push_back(propertyName(p)); });
    }

    std::shared_ptr<FakeRecord> record = std::make_shared<FakeRecord>();
    ManualExecutor main;
    ManualExecutor background;
    std::vector<std::string> told;
    testing::CapturedLines lines;
    testing::ScopedLocalizer texts{{{"error", "Error"}, {"noScannerFound", "No scanner found"}}};
};

TEST_F(ModelTest, StartsWithThePlaceholderAndSearchesNetworkThenUsb) {
    const Device net = fakeScanner("net", "Net", true);
    const Device usb = fakeScanner("usb", "USB", false);
    record->networkResults = {{net}};
    record->usbResults = {{usb}};
    auto model = makeModel();
    observe(*model);

    const Device placeholder = model->selectedScanner();
    EXPECT_EQ(placeholder.name, "");
    EXPECT_EQ(placeholder.type, "");
    EXPECT_EQ(placeholder.scanSource, scanSourceOptionN());
    EXPECT_EQ(placeholder.paperSize, pageSizeOption());
    EXPECT_TRUE(placeholder.hasScreen);
    EXPECT_FALSE(placeholder.supportCombine);
    EXPECT_FALSE(model->isFinding());
    EXPECT_EQ(background.pending(), 1u);

    background.runAll();
    EXPECT_THAT(record->searches, ElementsAre("net", "usb"));
    EXPECT_TRUE(model->isFinding());
    EXPECT_TRUE(model->scannerList().empty());  // applied only on the main executor
    EXPECT_TRUE(told.empty());                  // observers run on the main executor

    main.runAll();
    EXPECT_THAT(model->scannerList(), ElementsAre(net, usb));
    EXPECT_EQ(model->selectedScanner(), net);
    EXPECT_FALSE(model->isFinding());
    EXPECT_FALSE(model->showAlert());
    EXPECT_THAT(told, ElementsAre("isFinding", "scannerList", "selectedScanner", "isFinding"));
    EXPECT_TRUE(lines.contains("start isfinding = true"));
    EXPECT_TRUE(
        lines.contains(R"(selected scanner , name = net scansource = ["AUTO", "ADF", "FB"])"));
    EXPECT_TRUE(lines.contains("end isfinding = false"));
}

TEST_F(ModelTest, NothingFoundRaisesTheLocalisedAlertAndKeepsTheSelection) {
    auto model = makeModel();
    const Device placeholder = model->selectedScanner();
    background.runAll();
    main.runAll();
    EXPECT_TRUE(model->scannerList().empty());
    EXPECT_TRUE(model->showAlert());
    EXPECT_EQ(model->alertTitle(), "Error");
    EXPECT_EQ(model->alertMessage(), "No scanner found");
    EXPECT_EQ(model->selectedScanner(), placeholder);
    EXPECT_FALSE(model->isFinding());
}

TEST_F(ModelTest, ALaterRunSelectsTheFirstScannerOfItsOwnList) {
    const Device a = fakeScanner("a", "Net", true);
    const Device b = fakeScanner("b", "USB", true);
    const Device c = fakeScanner("c", "USB", true);
    record->networkResults = {{a}, {}};
    record->usbResults = {{b}, {c, b}};
    auto model = makeModel();
    background.runAll();
    main.runAll();
    model->setSelectedScanner(b);
    EXPECT_EQ(model->selectedScanner(), b);

    model->autoDetectScanners();
    background.runAll();
    main.runAll();
    EXPECT_THAT(model->scannerList(), ElementsAre(c, b));
    EXPECT_EQ(model->selectedScanner(), c);
}

TEST_F(ModelTest, NoDiscoveryAtStartWhenAskedNot) {
    auto model = makeModel(false);
    EXPECT_EQ(background.pending(), 0u);
    EXPECT_TRUE(record->searches.empty());
}

TEST_F(ModelTest, AlertsShowTheirTextsBeforeTheFlagAndCloseOnDismissal) {
    auto model = makeModel(false);
    observe(*model);
    model->raiseAlert("error", "noSaveDir");
    EXPECT_TRUE(model->showAlert());
    EXPECT_EQ(model->alertTitle(), "Error");
    EXPECT_EQ(model->alertMessage(), "noSaveDir");  // no entry: the key itself
    model->dismissAlert();
    EXPECT_FALSE(model->showAlert());
    main.runAll();
    EXPECT_THAT(told, ElementsAre("alertTitle", "alertMessage", "showAlert", "showAlert"));
}

TEST_F(ModelTest, RemovedObserversMissEvenQueuedNotifications) {
    auto model = makeModel(false);
    int calls = 0;
    const ObserverId id = model->addObserver([&](ModelProperty) { ++calls; });
    model->dismissAlert();
    model->removeObserver(id);
    main.runAll();
    EXPECT_EQ(calls, 0);
}

TEST_F(ModelTest, WorkQueuedForADestroyedModelDoesNothing) {
    record->networkResults = {{fakeScanner("a", "Net", true)}};
    int calls = 0;
    {
        auto model = makeModel();
        model->addObserver([&](ModelProperty) { ++calls; });
        model->dismissAlert();
    }
    background.runAll();
    main.runAll();
    EXPECT_EQ(calls, 0);
    EXPECT_TRUE(record->searches.empty());
}

TEST_F(ModelTest, AScannerFoundByAddressIsAddedOnceAndSelected) {
    Device found = fakeScanner("by-address", "Net", true);
    found.ip = "192.0.2.44";
    record->identified = found;
    auto model = makeModel(false);
    model->addScanner(fakeScanner("other", "USB", true));

    model->addScannerByAddress("192.0.2.44");
    background.runAll();
    EXPECT_TRUE(model->isFinding());
    main.runAll();
    EXPECT_FALSE(model->isFinding());
    EXPECT_EQ(model->selectedScanner(), found);

    Device again = found;
    again.id = Uuid::random();
    record->identified = again;
    model->addScannerByAddress("192.0.2.44");
    background.runAll();
    main.runAll();
    const auto list = model->scannerList();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].name, "other");
    EXPECT_EQ(list[1], again);
    EXPECT_THAT(record->searches, ElementsAre("identify 192.0.2.44", "identify 192.0.2.44"));
}

TEST_F(ModelTest, NoAnswerAtAnAddressRaisesTheAlert) {
    auto model = makeModel(false);
    model->addScannerByAddress("192.0.2.45");
    background.runAll();
    main.runAll();
    EXPECT_TRUE(model->scannerList().empty());
    EXPECT_TRUE(model->showAlert());
    EXPECT_EQ(model->alertMessage(), "No scanner found");
    EXPECT_FALSE(model->isFinding());
}

TEST_F(ModelTest, ObserversRunOnTheMainExecutorsThreadWhileSearchesRunElsewhere) {
    record->networkResults = {{fakeScanner("a", "Net", true)}};
    ThreadPerTaskExecutor workers;
    ScannerModel model(main, workers, testing::fakeServices(record), false);
    std::vector<std::thread::id> threads;
    model.addObserver([&](ModelProperty) { threads.push_back(std::this_thread::get_id()); });
    model.autoDetectScanners();
    for (int round = 0; round < 100 && model.scannerList().empty(); ++round) {
        main.runFor(std::chrono::milliseconds(50));
    }
    main.runAll();
    ASSERT_EQ(model.scannerList().size(), 1u);
    ASSERT_FALSE(threads.empty());
    for (const auto& id : threads) {
        EXPECT_EQ(id, std::this_thread::get_id());
    }
}

}  // namespace
}  // namespace scandesk
