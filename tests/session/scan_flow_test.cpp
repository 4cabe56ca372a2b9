// The scan flow's decisions that the virtual scanner cannot provoke, with a scripted
// transport: page counts that are not numbers, combining arithmetic, refused choices.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "fake_services.h"
#include "session/scanner_model.h"
#include "support/captured_lines.h"
#include "support/temp_dir.h"

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
        const char* what;
        ScriptedScan scan;
        bool combineSucceeds;
        std::vector<int> combineCalls;  // page counts combining was asked for
        int pdfPages;                   // -1: no PDF
        ScanOutcome expected;
        const char* alert;
    };
    for (const Row& row : {
             Row{"five pages",
                 {5},
                 true,
                 {5},
                 3,
                 {ScanCode::completed, 3, false, {}},
                 "scanPage 5 pages"},
             // A failed combination keeps the page files and writes no PDF.
             Row{"combination fails",
                 {4},
                 false,
                 {4},
                 -1,
                 ScanOutcome::failure(ScanCode::combineFailed, 4),
                 "combineFailed pagesKept"},
             Row{"no page", {0}, true, {}, -1, {}, "scanPage 0 pages"},
             // The pages before a failure stay, untouched.
             Row{"jam after two pages",
                 {2, ScanCode::paperJunck},
                 true,
                 {},
                 -1,
                 ScanOutcome::failure(ScanCode::paperJunck, 2),
                 "paperJunck pagesKept"},
         }) {
        SCOPED_TRACE(row.what);
        record->combineCalls.clear();
        record->pdfCalls.clear();
        record->combineSucceeds = row.combineSucceeds;
        prepare(true, {row.scan});
        EXPECT_EQ(model.startScan(choices(Vertical, 1)), row.expected);
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

TEST_F(ScanFlow, AFailedSecondPassKeepsTheFirstPageAndCanBeRepeated) {
    prepare(false, {{1}, {0, ScanCode::paperJunck}, {1}});
    EXPECT_TRUE(model.startScan(choices(IDCard, 1)).needsSecondPass);
    EXPECT_TRUE(model.alertAsksForSecondPass());
    const std::string dir = model.receiveDir();

    const ScanOutcome failed = model.secondScan(choices(IDCard, 1));
    EXPECT_EQ(failed.code, ScanCode::paperJunck);
    EXPECT_EQ(failed.pagesStored, 1);
    EXPECT_TRUE(failed.needsSecondPass);
    EXPECT_TRUE(model.alertAsksForSecondPass());
    EXPECT_EQ(model.alertMessage(), "paperJunck pagesKept secondPassAgain");
    EXPECT_TRUE(fs::exists(dir + "/file-0001.jpg"));

    EXPECT_EQ(model.secondScan(choices(IDCard, 1)),
              (ScanOutcome{ScanCode::completed, 1, false, {}}));
    EXPECT_EQ(record->combineCalls, std::vector<int>{2});
    EXPECT_FALSE(model.alertAsksForSecondPass());
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
             Row{[](UIParams& u) { u.fileNamePrefix = std::string(300, 'p'); }, "invalidFileName"},
             Row{[](UIParams& u) { u.saveDir += "/missing"; }, "cannotCreateReceiveDir"},
         }) {
        SCOPED_TRACE(row.message);
        prepare(true, {{1}});
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
    prepare(false, {{1}});
    model.secondScan(choices(Horizontal, 0));
    EXPECT_EQ(model.alertMessage(), "receiveDirMissing");
    EXPECT_TRUE(record->scannedDevices.empty());
    EXPECT_TRUE(fs::is_empty(temp.path()));
}

TEST_F(ScanFlow, ATransportThatThrowsEndsInAnErrorAlert) {
    ScannerModelServices services = testing::fakeServices(record);
    services.makeScanProcess = [](const Device&, ScanCommand, PageSink,
                                  PageProgress) -> std::unique_ptr<ScanProcess> {
        throw std::runtime_error("device vanished");
    };
    ScannerModel throwing(main, main, services, false);
    throwing.startScan(choices(NoCombine, 0));
    EXPECT_EQ(throwing.alertTitle(), "error");
    EXPECT_EQ(throwing.alertMessage(), "unexpectError");
}

}  // namespace
}  // namespace scandesk
