// The model's discovery runs and scanners added by address, with fake searches and
// hand-cranked executors; the desktop directory, where output goes by default.
#include "session/scanner_model.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "common/localization.h"
#include "fake_services.h"
#include "session/desktop_directory.h"
#include "support/captured_lines.h"
#include "support/temp_dir.h"

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
    for (const Device& selected : {b, c}) {
        model->autoDetectScanners();
        finishSearch();
        EXPECT_EQ(model->selectedScanner(), selected);
    }
    model->autoDetectScanners();
    finishSearch();
    EXPECT_EQ(model->alertMessage(), "noScannerFound");
    EXPECT_EQ(model->selectedScanner(), c);
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

TEST(DesktopDirectory, FollowsTheUserDirsFileAndFallsBackToDesktop) {
    testing::TempDir config;
    const std::string file = config.path() + "/user-dirs.dirs";
    EXPECT_EQ(desktopDirectoryFor("/home/u", config.path()), "/home/u/Desktop");
    for (const auto& [line, expected] : std::vector<std::pair<std::string, std::string>>{
             {"XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"", "/home/u/Schreibtisch"},
             {"# comment\nXDG_DOWNLOAD_DIR=\"$HOME/dl\"\nXDG_DESKTOP_DIR=\"/data/d\"", "/data/d"},
             {"XDG_DESKTOP_DIR=\"Desk\"", "/home/u/Desktop"},  // relative: ignored
         }) {
        std::ofstream(file) << line << "\n";
        EXPECT_EQ(desktopDirectoryFor("/home/u", config.path()), expected) << line;
    }
}

}  // namespace
}  // namespace scandesk
