// The scan flow's decisions with a scripted transport: combining arithmetic, what stays
// on disk, the second pass, refused choices, the receive directory's name.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "fake_services.h"
#include "session/choice_rules.h"
#include "session/scanner_model.h"
#include "support/captured_lines.h"
#include "support/temp_dir.h"

namespace scandesk {
namespace {

namespace fs = std::filesystem;
using testing::ScriptedScan;

constexpr CombineType NoCombine = CombineType::none;
constexpr CombineType Horizontal = CombineType::horizontal;
constexpr CombineType Vertical = CombineType::vertical;
constexpr CombineType IDCard = CombineType::idCard;
constexpr FileType kImage = FileType::image;
constexpr FileType kPdf = FileType::pdf;

class ScanFlow : public ::testing::Test {
  protected:
    ScanFlow() {
        using namespace std::chrono;  // 2024-03-05 14:07:09 in the tests' time zone, UTC
        record->now = sys_days{year{2024} / March / 5} + hours{14} + minutes{7} + seconds{9};
    }

    // The selected scanner's first choices, combined and saved as asked.
    ScanRequest choices(CombineType combine, FileType fileType) const {
        ScanRequest request = firstOffered(model.selectedScanner());
        request.saveDir = temp.path();
        request.combine = combine;
        request.fileType = fileType;
        return request;
    }

    // Selects a scanner with or without a screen and scripts its attempts.
    void prepare(bool hasScreen, std::vector<ScriptedScan> scans) {
        model.setSelectedScanner(testing::networkScanner(hasScreen ? "Tessel T3" : "Brisk B4 Net"));
        record->scans.assign(scans.begin(), scans.end());
        record->scannedParams.clear();
        record->now += std::chrono::seconds(1);  // a fresh receive directory per scan
    }

    std::shared_ptr<testing::FakeRecord> record = std::make_shared<testing::FakeRecord>();
    ManualExecutor main;
    ScannerModel model{main, main, testing::fakeServices(record), false};
    testing::TempDir temp;
    testing::CapturedLines lines;  // keeps the output quiet
};

TEST_F(ScanFlow, PageCountsDecideCombiningAndThePdf) {
    struct Row {
        ScriptedScan scan;
        bool combineSucceeds;
        std::vector<int> pdfPages;
        ScanOutcome expected;
        const char* alert;
    };
    // clang-format off
    for (const Row& row : {
        Row{{5},                       true,  {3}, {ScanCode::completed, 3, false, {}, 0, {}},              "scanPage 5 pages"},
        // A failed combination keeps the page files and writes no PDF.
        Row{{4},                       false, {},  ScanOutcome::failure(ScanCode::combineFailed, 4), "combineFailed pagesKept"},
        Row{{2, ScanCode::paperJunck}, true,  {},  ScanOutcome::failure(ScanCode::paperJunck, 2),    "paperJunck pagesKept"},
    }) {
        // clang-format on
        SCOPED_TRACE(row.alert);
        record->pdfPages.clear();
        record->combineSucceeds = row.combineSucceeds;
        prepare(true, {row.scan});
        EXPECT_EQ(model.startScan(choices(Vertical, kPdf)), row.expected);
        EXPECT_EQ(model.alertMessage(), row.alert);
        EXPECT_EQ(record->pdfPages, row.pdfPages);
        // Once the PDF is written the receive directory goes; else it is the result.
        EXPECT_EQ(fs::exists(model.receiveDir() + "/file-0001.jpg"), row.pdfPages.empty());
    }
}

TEST_F(ScanFlow, AFailedSecondPassKeepsTheFirstPageAndCanBeRepeated) {
    prepare(false, {{1}, {0, ScanCode::paperJunck}, {1}});
    EXPECT_TRUE(model.startScan(choices(IDCard, kImage)).needsSecondPass);
    EXPECT_EQ(model.secondScan(choices(IDCard, kImage)),
              (ScanOutcome{ScanCode::paperJunck, 1, true, {}, 0, {}}));
    EXPECT_TRUE(model.alertAsksForSecondPass());
    EXPECT_EQ(model.alertMessage(), "paperJunck pagesKept secondPassAgain");
    EXPECT_TRUE(fs::exists(model.receiveDir() + "/file-0001.jpg"));
    EXPECT_EQ(model.secondScan(choices(IDCard, kImage)),
              (ScanOutcome{ScanCode::completed, 1, false, {}, 0, {}}));
    EXPECT_EQ(record->combineCalls, std::vector<int>{2});
    EXPECT_FALSE(model.alertAsksForSecondPass());
}

TEST_F(ScanFlow, ABusyScannerIsTriedOnceMoreUnlessTheScanWasStopped) {
    for (const bool stopped : {false, true}) {
        SCOPED_TRACE(stopped);
        prepare(false, {{1}, {0, ScanCode::scannerBusy}, {1}});
        model.startScan(choices(Horizontal, kImage));
        std::stop_source stop;
        if (stopped) {
            stop.request_stop();
        }
        EXPECT_EQ(model.secondScan(choices(Horizontal, kImage), stop.get_token()).code,
                  stopped ? ScanCode::cancelled : ScanCode::completed);
        EXPECT_EQ(record->scannedParams.size(), stopped ? 2u : 3u);
    }
    EXPECT_EQ(record->sleeps, std::vector(2, kBusyRetryWait));
}

// The fake numbers a pass's pages from 1 as the transports do: the second side is stored
// and reported as page 2, on the first pass's scanner even after a busy retry.
TEST_F(ScanFlow, TheSecondSideIsPageTwoOfTheFirstPassesScanner) {
    prepare(false, {{1}, {0, ScanCode::scannerBusy}, {1}});
    std::vector<int> reported;
    model.setPageProgress([&](int pageNo) { reported.push_back(pageNo); });
    ASSERT_TRUE(model.startScan(choices(Horizontal, kImage)).needsSecondPass);
    model.setSelectedScanner(testing::networkScanner("Brisk B6 Net", "192.0.2.99"));
    const ScanOutcome done = model.secondScan(choices(Horizontal, kImage));
    EXPECT_EQ(done, (ScanOutcome{ScanCode::completed, 1, false, {}, 0, {}}));
    EXPECT_EQ(reported, (std::vector{1, 2}));
    ASSERT_EQ(record->storedFiles.size(), 2u);
    EXPECT_TRUE(record->storedFiles[1].ends_with("/file-0002.jpg"));
    // The retry after the busy attempt goes to the first pass's scanner too.
    EXPECT_EQ(record->scannedDevices.back().name, "Brisk B4 Net");
    // What the scan left: the combined page, by its absolute path.
    EXPECT_EQ(done.files, std::vector<std::string>{record->storedFiles[0]});
}

// A failed scan names the pages it kept; one that kept none leaves no folder behind.
TEST_F(ScanFlow, WhatAFailedScanLeavesAndAJobWithoutAPage) {
    struct Row {
        ScriptedScan scan;
        ScanCode code;
        size_t files;
    };
    for (const Row& row : {Row{{0}, ScanCode::noPageScanned, 0},
                           Row{{0, ScanCode::paperJunck}, ScanCode::paperJunck, 0},
                           Row{{2, ScanCode::paperJunck}, ScanCode::paperJunck, 2}}) {
        SCOPED_TRACE(alertKey(row.code));
        prepare(true, {row.scan});
        const ScanOutcome scanned = model.startScan(choices(NoCombine, kPdf));
        EXPECT_EQ(scanned.code, row.code);
        EXPECT_EQ(scanned.files.size(), row.files);
        EXPECT_TRUE(row.files == 0 || fs::is_regular_file(scanned.files.back()));
        EXPECT_EQ(fs::exists(model.receiveDir()), row.files > 0);
        EXPECT_TRUE(record->pdfPages.empty());
    }
}

TEST_F(ScanFlow, ChoicesThatCannotBeUsedStopBeforeAnythingHappens) {
    struct Row {
        void (*spoil)(ScanRequest&);
        const char* message;
    };
    for (const Row& row : {
             Row{[](ScanRequest& r) { r.dpi = 150; }, "invalidScanSetting"},
             Row{[](ScanRequest& r) { r.pageSize = PageSize::a6; }, "invalidScanSetting"},
             // A request that breaks a choice rule.
             Row{[](ScanRequest& r) {
                     r.colorMode = ColorMode::blackWhite, r.rotation = Rotation::half;
                 },
                 "invalidScanSetting"},
             Row{[](ScanRequest& r) { r.prefix = "../out"; }, "invalidFileName"},
             // Too long for the folder's file names: refused before any directory exists.
             Row{[](ScanRequest& r) { r.prefix = std::string(300, 'p'); }, "prefixTooLong"},
             Row{[](ScanRequest& r) { r.saveDir = "/proc/no-folder-here/scans"; },
                 "cannotCreateReceiveDir"},
         }) {
        SCOPED_TRACE(row.message);
        prepare(true, {{1}});
        ScanRequest request = choices(NoCombine, kImage);
        row.spoil(request);
        model.startScan(request);
        EXPECT_EQ(model.alertMessage(), row.message);
        EXPECT_TRUE(fs::is_empty(temp.path()));
        EXPECT_TRUE(record->scannedDevices.empty());
    }
    // A second pass without a first would put its page beside the output directory.
    model.secondScan(choices(Horizontal, kImage));
    EXPECT_EQ(model.alertMessage(), "receiveDirMissing");
    EXPECT_TRUE(record->scannedDevices.empty());
}

TEST_F(ScanFlow, ATransportThatThrowsEndsInAnErrorAlert) {
    ScannerModelServices services = testing::fakeServices(record);
    services.makeScanProcess = [](const Device&, ScanCommand, PageSink,
                                  PageProgress) -> std::unique_ptr<ScanProcess> {
        throw std::runtime_error("device vanished");
    };
    ScannerModel throwing(main, main, services, false);
    EXPECT_EQ(throwing.startScan(choices(NoCombine, kImage)).code, ScanCode::unexpectError);
    EXPECT_EQ(throwing.alertMessage(), "unexpectError");
}

TEST_F(ScanFlow, ATakenReceiveDirectoryNameGetsANumber) {
    const std::string stamp = temp.path() + "/20240305140709";
    std::ofstream(stamp + "-3") << "a file takes a name too";
    for (const std::string& expected : {stamp, stamp + "-2", stamp + "-4"}) {
        EXPECT_TRUE(model.createReceiveDir(temp.path()));
        EXPECT_EQ(model.receiveDir(), expected);
        EXPECT_TRUE(fs::is_directory(expected));
    }
    // A folder that does not exist yet is made, parents and all, as mkdir -p makes it
    // (0755; no umask takes anything away here).
    const std::string fresh = temp.path() + "/new/deeper";
    const mode_t mask = ::umask(0);
    EXPECT_TRUE(model.createReceiveDir(fresh));
    ::umask(mask);
    for (const std::string& made : {temp.path() + "/new", fresh}) {
        EXPECT_EQ(fs::status(made).permissions(), fs::perms(0755)) << made;
    }
    // One that cannot be made is the error it always was.
    EXPECT_FALSE(model.createReceiveDir(stamp + "-3/below-a-file"));
}

}  // namespace
}  // namespace scandesk
