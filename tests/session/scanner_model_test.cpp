// The model's discovery runs, with fake searches and hand-cranked executors; the desktop
// directory, where output goes by default.
#include "session/scanner_model.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "fake_services.h"
#include "session/desktop_directory.h"
#include "support/captured_lines.h"
#include "support/temp_dir.h"

namespace scandesk {
namespace {

using ::testing::ElementsAre;

TEST(Model, DiscoveryListsNetworkThenUsbScannersAndKeepsASelectionItFindsAgain) {
    auto record = std::make_shared<testing::FakeRecord>();
    ManualExecutor main;
    ManualExecutor background;
    const testing::CapturedLines lines;  // keeps the output quiet
    ScannerModel model(main, background, testing::fakeServices(record), false);
    const Device a = testing::networkScanner("Tessel T3", "192.0.2.1");
    const Device b = testing::networkScanner("Tessel T3", "192.0.2.2");
    const Device c = testing::networkScanner("Tessel T3", "192.0.2.3");
    record->networkResults = {{a}, {}, {}};
    record->usbResults = {{b}, {c, b}, {c}};
    model.autoDetectScanners();
    background.runAll();
    EXPECT_TRUE(model.scannerList().empty());  // applied on the main executor only
    while (model.scannerList().empty() && main.runOne()) {
    }
    EXPECT_THAT(model.scannerList(), ElementsAre(a));  // listed as soon as found
    EXPECT_TRUE(model.isFinding());
    main.runAll();
    EXPECT_THAT(model.scannerList(), ElementsAre(a, b));
    EXPECT_EQ(model.selectedScanner(), a);
    EXPECT_FALSE(model.isFinding());
    model.setSelectedScanner(b);
    for (const Device& selected : {b, c, c}) {  // the last run finds nothing
        model.autoDetectScanners();
        background.runAll();
        main.runAll();
        EXPECT_EQ(model.selectedScanner(), selected);
    }
    EXPECT_EQ(model.alertMessage(), "noScannerFound");
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
