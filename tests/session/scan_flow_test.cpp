// The scan flow of the model with a scripted transport: outcomes, files left on disk,
// combining, PDF, the two-pass prompt and the busy retry.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "common/localization.h"
#include "fake_services.h"
#include "session/scanner_model.h"
#include "session/two_pass_prompt.h"
#include "support/captured_lines.h"
#include "temp_dir.h"

namespace scandesk {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using testing::ScriptedScan;

enum Combine { NoCombine, Horizontal, Vertical, IDCard };

class ScanFlow : public ::testing::Test {
  protected:
    ScanFlow() {
        record->now = testing::fixedMoment();
        model.setPageProgress([this](int page) { progress.push_back(page); });
    }

    // Choices for a scan into the temporary directory.
    UIParams choices(int combine = NoCombine, int saveType = 0) const {
        UIParams ui;
        ui.saveDir = temp.path();
        ui.combineTypeIndex = combine;
        ui.saveTypeIndex = saveType;
        ui.pageSizeIndex = 1;  // "A5"
        return ui;
    }

    void select(const std::string& type, bool hasScreen) {
        scanner = testing::fakeScanner("scanner", type, hasScreen);
        model.setSelectedScanner(scanner);
    }

    void script(std::initializer_list<ScriptedScan> scans) {
        record->scans.assign(scans.begin(), scans.end());
    }

    std::string dir() const { return temp.path() + "/20240305140709"; }

    size_t filesIn(const std::string& path) const {
        std::error_code ignored;
        return fs::exists(path)
                   ? static_cast<size_t>(std::distance(fs::directory_iterator(path, ignored), {}))
                   : 0;
    }

    void expectAlert(const std::string& title, const std::string& message) const {
        EXPECT_TRUE(model.showAlert());
        EXPECT_EQ(model.alertTitle(), title);
        EXPECT_EQ(model.alertMessage(), message);
    }

    std::shared_ptr<testing::FakeRecord> record = std::make_shared<testing::FakeRecord>();
    ManualExecutor main;
    ScannerModel model{main, main, testing::fakeServices(record), false};
    testing::TempDir temp;
    testing::CapturedLines lines;
    Device scanner;
    std::vector<int> progress;
    testing::ScopedLocalizer texts{{
        {"info", "Info"},
        {"error", "Error"},
        {"scanPage", "Scanned"},
        {"pages", "page(s)"},
        {"cannotSavePDF", "The PDF could not be saved"},
        {std::string(kNextPagePrompt), "Place the next page, then confirm"},
        {std::string(kTurnCardPrompt), "Turn the card over, then confirm"},
        {std::string(kConfirmButtonKey), "confirm"},
        {std::string(kTwoPassDoneKey), "Two-pass scan finished"},
    }};
};

TEST_F(ScanFlow, AnImageScanKeepsItsPagesInTheReceiveDirectory) {
    select("Net", true);
    script({{3, {true, "3"}}});
    model.startScan(choices());
    expectAlert("Info", "Scanned 3 page(s)");
    EXPECT_EQ(filesIn(dir()), 3u);
    EXPECT_TRUE(record->combineCalls.empty());
    EXPECT_TRUE(record->pdfCalls.empty());
    ASSERT_EQ(record->scannedDevices.size(), 1u);
    EXPECT_EQ(record->scannedDevices[0], scanner);
    EXPECT_EQ(record->scannedParams[0].filePath, dir() + "/file");
    EXPECT_FALSE(record->scannedParams[0].isSecondScan);
    EXPECT_THAT(progress, ElementsAre(1, 2, 3));
    EXPECT_TRUE(lines.contains(R"(ret = (status: true, message: "3"))"));
}

TEST_F(ScanFlow, APdfScanLeavesOnlyThePdfBehind) {
    select("USB", true);
    script({{2, {true, "2"}}});
    model.startScan(choices(NoCombine, 1));
    expectAlert("Info", "Scanned 2 page(s)");
    ASSERT_EQ(record->pdfCalls.size(), 1u);
    EXPECT_EQ(record->pdfCalls[0].pages, 2);
    EXPECT_EQ(record->pdfCalls[0].pdfDir, temp.path());
    EXPECT_EQ(record->pdfCalls[0].pageSize, "A5");
    EXPECT_EQ(record->pdfCalls[0].param.fileType, "PDF");
    EXPECT_FALSE(fs::exists(dir()));
}

TEST_F(ScanFlow, CombiningOnAScannerWithAScreenHalvesThePageCount) {
    struct Row {
        int pages;
        bool combineSucceeds;
        int pdfPages;
    };
    for (const Row& row :
         {Row{4, true, 2}, Row{3, true, 2}, Row{5, true, 3}, Row{1, true, 1}, Row{4, false, 4}}) {
        SCOPED_TRACE(row.pages);
        record->combineCalls.clear();
        record->pdfCalls.clear();
        record->combineSucceeds = row.combineSucceeds;
        record->now += std::chrono::seconds(1);
        select("Net", true);
        script({{row.pages, {true, std::to_string(row.pages)}}});
        model.startScan(choices(Vertical, 1));
        expectAlert("Info", "Scanned " + std::to_string(row.pages) + " page(s)");
        ASSERT_EQ(record->combineCalls.size(), 1u);
        EXPECT_EQ(record->combineCalls[0].pages, row.pages);
        EXPECT_EQ(record->combineCalls[0].oriation, 1);
        ASSERT_EQ(record->pdfCalls.size(), 1u);
        EXPECT_EQ(record->pdfCalls[0].pages, row.pdfPages);
    }
}

TEST_F(ScanFlow, AFailedPdfKeepsThePagesAndReportsAnError) {
    select("Net", true);
    record->pdfSucceeds = false;
    script({{2, {true, "2"}}});
    model.startScan(choices(NoCombine, 1));
    expectAlert("Error", "The PDF could not be saved");
    EXPECT_EQ(filesIn(dir()), 2u);
}

TEST_F(ScanFlow, AFailedScanKeepsWhatArrived) {
    select("Net", true);
    script({{1, {false, "scannerNetworkError"}}});
    model.startScan(choices(NoCombine, 1));
    expectAlert("Error", "scannerNetworkError");
    EXPECT_EQ(filesIn(dir()), 1u);
    EXPECT_TRUE(record->pdfCalls.empty());
    EXPECT_TRUE(lines.contains(R"(ret = (status: false, message: "scannerNetworkError"))"));
}

TEST_F(ScanFlow, ASuccessWithoutAPageCountIsShownAsItCame) {
    select("Net", true);
    script({{0, {true, "ok"}}});
    model.startScan(choices(Horizontal, 1));
    expectAlert("Info", "Scanned ok page(s)");
    EXPECT_TRUE(record->combineCalls.empty());
    EXPECT_TRUE(record->pdfCalls.empty());
    EXPECT_TRUE(fs::is_directory(dir()));
}

TEST_F(ScanFlow, ChoicesThatCannotBeUsedStopBeforeAnythingHappens) {
    struct Row {
        const char* name;
        void (*spoil)(UIParams&);
        const char* message;
    };
    select("Net", true);
    for (const Row& row : {
             Row{"page size past the list", [](UIParams& u) { u.pageSizeIndex = 6; },
                 "invalidScanSetting"},
             Row{"negative source", [](UIParams& u) { u.scanSourceIndex = -1; },
                 "invalidScanSetting"},
             Row{"rotation past the list", [](UIParams& u) { u.rotateAngleIndex = 4; },
                 "invalidScanSetting"},
             Row{"prefix with a slash", [](UIParams& u) { u.fileNamePrefix = "../out"; },
                 "invalidFileName"},
             Row{"prefix with a NUL",
                 [](UIParams& u) { u.fileNamePrefix = std::string("a\0b", 3); }, "invalidFileName"},
             Row{"missing output directory", [](UIParams& u) { u.saveDir += "/missing"; },
                 "cannotCreateReceiveDir"},
         }) {
        SCOPED_TRACE(row.name);
        UIParams ui = choices();
        row.spoil(ui);
        model.dismissAlert();
        model.startScan(ui);
        expectAlert("Error", row.message);
        EXPECT_EQ(filesIn(temp.path()), 0u);
        EXPECT_TRUE(record->scannedDevices.empty());
    }
}

TEST_F(ScanFlow, ATransportThatThrowsEndsInAnErrorAlert) {
    select("Net", true);
    ScannerModelServices services = testing::fakeServices(record);
    services.makeScanProcess = [](const Device&, SharedScanCommand, PageSink,
                                  PageProgress) -> std::unique_ptr<ScanProcess> {
        throw std::runtime_error("device vanished");
    };
    ScannerModel throwing(main, main, services, false);
    throwing.setSelectedScanner(scanner);
    throwing.startScan(choices());
    EXPECT_EQ(throwing.alertTitle(), "Error");
    EXPECT_EQ(throwing.alertMessage(), "unexpectError");
}

TEST_F(ScanFlow, AScreenlessScannerPromptsThenCombinesAfterTheSecondPass) {
    struct Row {
        int combine;
        const char* prompt;
    };
    for (const Row& row : {Row{Horizontal, "Place the next page, then confirm"},
                           Row{Vertical, "Place the next page, then confirm"},
                           Row{IDCard, "Turn the card over, then confirm"}}) {
        SCOPED_TRACE(row.combine);
        record->combineCalls.clear();
        record->pdfCalls.clear();
        record->scannedParams.clear();
        record->now += std::chrono::seconds(1);
        select("USB", false);
        script({{1, {true, "1"}}, {1, {true, "1"}}});
        model.startScan(choices(row.combine, 1));
        expectAlert("Info", row.prompt);
        EXPECT_TRUE(asksForSecondPass(model.alertMessage()));
        EXPECT_TRUE(record->combineCalls.empty());
        EXPECT_TRUE(record->pdfCalls.empty());
        const std::string receive = model.receiveDir();
        EXPECT_EQ(filesIn(receive), 1u);

        model.secondScan(choices(row.combine, 1));
        expectAlert("Info", "Two-pass scan finished");
        EXPECT_FALSE(asksForSecondPass(model.alertMessage()));
        ASSERT_EQ(record->scannedParams.size(), 2u);
        EXPECT_TRUE(record->scannedParams[1].isSecondScan);
        EXPECT_EQ(record->scannedParams[1].filePath, receive + "/file");
        ASSERT_EQ(record->combineCalls.size(), 1u);
        EXPECT_EQ(record->combineCalls[0].pages, 2);
        EXPECT_FALSE(record->combineCalls[0].param.isSecondScan);
        ASSERT_EQ(record->pdfCalls.size(), 1u);
        EXPECT_EQ(record->pdfCalls[0].pages, 1);
        EXPECT_FALSE(fs::exists(receive));
    }
    EXPECT_TRUE(lines.contains("start second scan"));
}

TEST_F(ScanFlow, TheSecondPassClosesTheAlertWhenItStarts) {
    select("USB", false);
    script({{1, {true, "1"}}, {1, {true, "1"}}});
    model.startScan(choices(IDCard));
    main.runAll();
    std::vector<std::string> told;
    model.addObserver([&](ModelProperty p) {
        told.push_back(std::string(propertyName(p)) + "=" + (model.showAlert() ? "1" : "0"));
    });
    model.secondScan(choices(IDCard));
    main.runAll();
    ASSERT_FALSE(told.empty());
    EXPECT_EQ(told.front(), "showAlert=1");  // observers read the latest value
    EXPECT_EQ(told.size(), 4u);              // closed, then title, message, flag
}

TEST_F(ScanFlow, ABusySecondPassIsRetriedOnceAfterTheWait) {
    select("Net", false);
    script({{1, {true, "1"}}, {0, {false, "scannerBusy"}}, {1, {true, "1"}}});
    model.startScan(choices(Vertical));
    model.secondScan(choices(Vertical));
    expectAlert("Info", "Two-pass scan finished");
    EXPECT_THAT(record->sleeps, ElementsAre(kBusyRetryWait));
    EXPECT_EQ(kBusyRetryWait, std::chrono::seconds(4));
    EXPECT_EQ(record->scannedDevices.size(), 3u);
    EXPECT_TRUE(lines.contains("scanner is busy======"));
    ASSERT_EQ(record->combineCalls.size(), 1u);
    EXPECT_EQ(record->combineCalls[0].pages, 2);
    EXPECT_EQ(filesIn(dir()), 2u);  // image file type: the result stays
}

TEST_F(ScanFlow, AFailedSecondPassDiscardsTheFirstPassToo) {
    struct Row {
        const char* name;
        std::vector<ScriptedScan> secondPass;
        size_t sleeps;
        const char* message;
    };
    for (const Row& row : {
             Row{"busy twice",
                 {{0, {false, "scannerBusy"}}, {0, {false, "scannerBusy"}}},
                 1,
                 "scannerBusy"},
             Row{"busy then broken",
                 {{0, {false, "scannerBusy"}}, {0, {false, "scannerNetworkError"}}},
                 1,
                 "scannerNetworkError"},
             Row{"jammed", {{0, {false, "paperJam"}}}, 0, "paperJam"},
         }) {
        SCOPED_TRACE(row.name);
        record->sleeps.clear();
        record->scannedDevices.clear();
        record->now += std::chrono::seconds(1);
        select("Net", false);
        script({{1, {true, "1"}}});
        record->scans.insert(record->scans.end(), row.secondPass.begin(), row.secondPass.end());
        model.startScan(choices(Horizontal));
        const std::string receive = model.receiveDir();
        ASSERT_TRUE(fs::is_directory(receive));
        model.secondScan(choices(Horizontal));
        expectAlert("Error", row.message);
        EXPECT_EQ(record->sleeps.size(), row.sleeps);
        EXPECT_EQ(record->scannedDevices.size(), 1 + row.secondPass.size());
        EXPECT_FALSE(fs::exists(receive));
        EXPECT_TRUE(record->scans.empty());
    }
}

TEST_F(ScanFlow, ASecondPassWithoutAFirstOneWritesNothing) {
    select("Net", false);
    model.secondScan(choices(Horizontal));
    expectAlert("Error", "receiveDirMissing");
    EXPECT_TRUE(record->scannedDevices.empty());
}

TEST_F(ScanFlow, ASecondPassKeepsThePagesWhenItsPdfFails) {
    select("Net", false);
    record->pdfSucceeds = false;
    script({{1, {true, "1"}}, {1, {true, "1"}}});
    model.startScan(choices(Vertical, 1));
    model.secondScan(choices(Vertical, 1));
    expectAlert("Error", "The PDF could not be saved");
    EXPECT_EQ(filesIn(dir()), 2u);
}

}  // namespace
}  // namespace scandesk
