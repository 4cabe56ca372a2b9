// The scan flow's decisions that the virtual scanner cannot provoke, with a scripted
// transport: page counts that are not numbers, combining arithmetic, refused choices.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "fake_services.h"
#include "session/scanner_model.h"
#include "support/captured_lines.h"
#include "temp_dir.h"

namespace scandesk {
namespace {

namespace fs = std::filesystem;
using testing::ScriptedScan;

enum Combine { NoCombine, Horizontal, Vertical, IDCard };

class ScanFlow : public ::testing::Test {
  protected:
    ScanFlow() { record->now = testing::fixedMoment(); }

    UIParams choices(int combine, int saveType) const {
        UIParams ui;
        ui.saveDir = temp.path();
        ui.combineTypeIndex = combine;
        ui.saveTypeIndex = saveType;
        return ui;
    }

    // Selects a network scanner and scripts its attempts.
    void prepare(bool hasScreen, std::vector<ScriptedScan> scans) {
        model.setSelectedScanner(testing::fakeScanner("scanner", "Net", hasScreen));
        record->scans.assign(scans.begin(), scans.end());
        record->now += std::chrono::seconds(1);  // a fresh receive directory per scan
    }

    std::shared_ptr<testing::FakeRecord> record = std::make_shared<testing::FakeRecord>();
    ManualExecutor main;
    ScannerModel model{main, main, testing::fakeServices(record), false};
    testing::TempDir temp;
    testing::CapturedLines lines;
};

TEST_F(ScanFlow, PageCountsDecideCombiningAndThePdf) {
    struct Row {
        const char* message;
        bool combineSucceeds;
        std::vector<int> combineCalls;  // page counts combining was asked for
        int pdfPages;                   // -1: no PDF
        const char* alert;
    };
    for (const Row& row : {
             Row{"5", true, {5}, 3, "scanPage 5 pages"},
             Row{"4", false, {4}, 4, "scanPage 4 pages"},   // failed combining keeps the pages
             Row{"ok", true, {}, -1, "scanPage ok pages"},  // ended before any page
             Row{"3 ", true, {}, -1, "scanPage 3  pages"},
         }) {
        SCOPED_TRACE(row.message);
        record->combineCalls.clear();
        record->pdfCalls.clear();
        record->combineSucceeds = row.combineSucceeds;
        prepare(true, {{0, {true, row.message}}});
        model.startScan(choices(Vertical, 1));
        EXPECT_EQ(model.alertTitle(), "info");
        EXPECT_EQ(model.alertMessage(), row.alert);
        EXPECT_EQ(record->combineCalls, row.combineCalls);
        ASSERT_EQ(record->pdfCalls.size(), row.pdfPages < 0 ? 0u : 1u);
        if (row.pdfPages >= 0) {
            EXPECT_EQ(record->pdfCalls[0].pages, row.pdfPages);
        }
        // Without a PDF the receive directory is the result and stays.
        EXPECT_EQ(fs::exists(model.receiveDir()), row.pdfPages < 0);
    }
}

TEST_F(ScanFlow, ChoicesThatCannotBeUsedStopBeforeAnythingHappens) {
    struct Row {
        void (*spoil)(UIParams&);
        const char* message;
    };
    for (const Row& row : {
             Row{[](UIParams& u) { u.pageSizeIndex = 6; }, "invalidScanSetting"},
             Row{[](UIParams& u) { u.fileNamePrefix = "../out"; }, "invalidFileName"},
             Row{[](UIParams& u) { u.fileNamePrefix = std::string("a\0b", 3); }, "invalidFileName"},
             Row{[](UIParams& u) { u.saveDir += "/missing"; }, "cannotCreateReceiveDir"},
         }) {
        SCOPED_TRACE(row.message);
        prepare(true, {{1, {true, "1"}}});
        UIParams ui = choices(NoCombine, 0);
        row.spoil(ui);
        model.startScan(ui);
        EXPECT_EQ(model.alertTitle(), "error");
        EXPECT_EQ(model.alertMessage(), row.message);
        EXPECT_TRUE(fs::is_empty(temp.path()));
        EXPECT_TRUE(record->scannedDevices.empty());
    }
}

TEST_F(ScanFlow, ASecondPassWithoutAFirstOneWritesNothing) {
    prepare(false, {{1, {true, "1"}}});
    model.secondScan(choices(Horizontal, 0));
    EXPECT_EQ(model.alertMessage(), "receiveDirMissing");
    EXPECT_TRUE(record->scannedDevices.empty());
    EXPECT_TRUE(fs::is_empty(temp.path()));
}

}  // namespace
}  // namespace scandesk
