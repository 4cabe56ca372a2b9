// Whole scans through the session core, the real network transport and imaging,
// against the virtual scanner on loopback.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <set>

#include "child_process.h"
#include "devices/catalogue.h"
#include "session/default_services.h"
#include "session/scanner_model.h"
#include "session/two_pass_prompt.h"
#include "support/captured_lines.h"
#include "support/temp_dir.h"

namespace scandesk {
namespace {

namespace fs = std::filesystem;
using testing::VirtualScanner;

enum Combine { NoCombine, Horizontal, Vertical, IDCard };
enum Mode { CGRAY, GRAY256, TEXT };

// Reply and page waits short enough for failing cases to end quickly.
CommunicatorLimits quickLimits() {
    CommunicatorLimits limits;
    limits.replyTimeout = std::chrono::milliseconds(2000);
    limits.pageTimeout = std::chrono::milliseconds(2000);
    return limits;
}

// A scanner with a screen and a feeder, and a screenless flatbed that combines in two passes.
const BaseDevice& withScreen() {
    return IDDevice().at(0);
}
const BaseDevice& screenless() {
    return KESTDevices().at(4);
}

class EndToEnd : public ::testing::Test {
  protected:
    // A model scanning a scanner of the row's model at the virtual scanner started with `options`.
    void start(const std::vector<std::string>& options, const BaseDevice& row = withScreen()) {
        scanner.emplace(options);
        ScannerModelServices services = defaultModelServices(scanner->port(), quickLimits());
        services.sleep = [this](std::chrono::milliseconds wait) { sleeps.push_back(wait); };
        if (adjust) {
            adjust(services);
        }
        model.emplace(main, main, services, false);
        model->setSelectedScanner(Device::fromNetworkRow(row, "127.0.0.1"));
    }

    UIParams choices(int combine = NoCombine, int saveType = 0, int mode = CGRAY) const {
        UIParams ui;
        ui.saveDir = temp.path();
        ui.combineTypeIndex = combine;
        ui.saveTypeIndex = saveType;
        ui.colorModeIndex = mode;
        return ui;
    }

    // File names directly inside a directory, sorted.
    static std::vector<std::string> filesIn(const std::string& dir) {
        std::vector<std::string> names;
        std::error_code ignored;
        for (const auto& entry : fs::directory_iterator(dir, ignored)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    // The PDFs written into the output directory.
    std::vector<std::string> pdfs() const {
        std::vector<std::string> found;
        for (const auto& name : filesIn(temp.path())) {
            if (name.ends_with(".pdf")) {
                found.push_back(temp.path() + "/" + name);
            }
        }
        return found;
    }

    testing::TempDir temp;
    testing::CapturedLines lines;  // keeps the test output quiet
    ManualExecutor main;
    std::optional<VirtualScanner> scanner;
    std::function<void(ScannerModelServices&)> adjust;
    std::optional<ScannerModel> model;
    std::vector<std::chrono::milliseconds> sleeps;
};

TEST_F(EndToEnd, OnePassScansKeepPageFilesOrLeaveOnePdf) {
    struct Row {
        const char* pages;
        int mode;
        int combine;
        int saveType;
        std::vector<std::string> pageFiles;  // left in the receive directory
        int pdfPages;                        // -1: no PDF
    };
    for (const Row& r : {
             Row{"3", CGRAY, NoCombine, 0, {"file-0001.jpg", "file-0002.jpg", "file-0003.jpg"}, -1},
             Row{"2", TEXT, NoCombine, 0, {"file-0001.bmp", "file-0002.bmp"}, -1},
             Row{"3", GRAY256, NoCombine, 1, {}, 3},
             Row{"4", CGRAY, Vertical, 1, {}, 2},  // a scanner with a screen combines at once
             Row{"3", TEXT, Horizontal, 1, {}, 2},
         }) {
        SCOPED_TRACE(::testing::Message() << r.pages << " pages, mode " << r.mode);
        for (const auto& pdf : pdfs()) {
            fs::remove(pdf);
        }
        start({"--pages", r.pages});
        model->startScan(choices(r.combine, r.saveType, r.mode));
        EXPECT_EQ(model->alertTitle(), "info");
        EXPECT_EQ(model->alertMessage(), std::string("scanPage ") + r.pages + " pages");
        EXPECT_EQ(filesIn(model->receiveDir()), r.pageFiles);
        EXPECT_EQ(fs::exists(model->receiveDir()), r.pdfPages < 0);
        ASSERT_EQ(pdfs().size(), r.pdfPages < 0 ? 0u : 1u);
        if (r.pdfPages >= 0) {
            EXPECT_EQ(testing::pdfPageCount(pdfs()[0]), r.pdfPages);
        }
        fs::remove_all(model->receiveDir());  // the next row may scan in the same second
    }
}

TEST_F(EndToEnd, AScreenlessScannerCombinesInTwoPasses) {
    struct Row {
        int combine;
        int saveType;
        std::string_view prompt;
    };
    for (const Row& r : {Row{IDCard, 0, kTurnCardPrompt}, Row{Horizontal, 1, kNextPagePrompt}}) {
        SCOPED_TRACE(r.combine);
        start({"--pages", "1"}, screenless());
        model->startScan(choices(r.combine, r.saveType));
        EXPECT_EQ(model->alertTitle(), "info");
        EXPECT_EQ(model->alertMessage(), r.prompt);
        EXPECT_TRUE(model->alertAsksForSecondPass());
        const std::string receive = model->receiveDir();
        EXPECT_THAT(filesIn(receive), ::testing::ElementsAre("file-0001.jpg"));
        EXPECT_TRUE(pdfs().empty());

        model->secondScan(choices(r.combine, r.saveType));
        EXPECT_EQ(model->alertTitle(), "info");
        EXPECT_EQ(model->alertMessage(), kTwoPassDoneKey);
        if (r.saveType == 0) {
            // Two pages became one combined page file.
            EXPECT_THAT(filesIn(receive), ::testing::ElementsAre("file-0001.jpg"));
        } else {
            EXPECT_FALSE(fs::exists(receive));
            ASSERT_EQ(pdfs().size(), 1u);
            EXPECT_EQ(testing::pdfPageCount(pdfs()[0]), 1);
        }
        fs::remove_all(receive);
    }
}

// The virtual scanner speaks TCP, where a busy scanner is not reported; the attempts
// listed as busy stand in for a busy USB scanner, the others are real.
TEST_F(EndToEnd, ABusySecondPassIsRetriedOnceAfterTheWait) {
    struct BusyScanner final : ScanProcess {
        ScanOutcome start(std::stop_token) override {
            return ScanOutcome::failure(ScanCode::scannerBusy);
        }
    };
    struct Row {
        std::set<int> busyAttempts;
        int attempts;
        const char* title;
        std::string message;
    };
    for (const Row& r : {Row{{2}, 3, "info", std::string(kTwoPassDoneKey)},
                         Row{{2, 3}, 3, "error", "scannerBusy pagesKept secondPassAgain"}}) {
        SCOPED_TRACE(r.message);
        int attempts = 0;
        sleeps.clear();
        for (const auto& pdf : pdfs()) {
            fs::remove(pdf);
        }
        adjust = [&](ScannerModelServices& services) {
            services.makeScanProcess = [real = services.makeScanProcess, &attempts, &r](
                                           const Device& d, ScanCommand c, PageSink s,
                                           PageProgress p) -> std::unique_ptr<ScanProcess> {
                if (r.busyAttempts.contains(++attempts)) {
                    return std::make_unique<BusyScanner>();
                }
                return real(d, std::move(c), std::move(s), std::move(p));
            };
        };
        start({"--pages", "1"}, screenless());
        model->startScan(choices(Vertical, 1));
        const std::string receive = model->receiveDir();
        model->secondScan(choices(Vertical, 1));
        EXPECT_EQ(attempts, r.attempts);  // never a second retry
        EXPECT_THAT(sleeps, ::testing::ElementsAre(kBusyRetryWait));
        EXPECT_EQ(model->alertTitle(), r.title);
        EXPECT_EQ(model->alertMessage(), r.message);
        // A failed second pass keeps the first page for another try.
        EXPECT_EQ(fs::exists(receive), r.title == std::string("error"));
        EXPECT_EQ(pdfs().size(), r.title == std::string("info") ? 1u : 0u);
    }
}

TEST_F(EndToEnd, AFailedFirstPassKeepsThePagesThatArrived) {
    struct Row {
        std::vector<std::string> options;
        int source;
        const char* message;
        size_t pages;
    };
    for (const Row& r : {Row{{"--pages", "3", "--fail-after", "2", "--status", "0xC3"},
                             0,
                             "paperJunck pagesKept",
                             2},
                         Row{{"--feeder", "empty"}, 1, "noPaperInADF", 0},
                         Row{{"--greeting", "0002"}, 0, "checkScannerError", 0}}) {
        SCOPED_TRACE(r.message);
        start(r.options);
        UIParams ui = choices(NoCombine, 1);
        ui.scanSourceIndex = r.source;
        model->startScan(ui);
        EXPECT_EQ(model->alertTitle(), "error");
        EXPECT_EQ(model->alertMessage(), r.message);
        EXPECT_TRUE(fs::is_directory(model->receiveDir()));
        EXPECT_EQ(filesIn(model->receiveDir()).size(), r.pages);
        EXPECT_TRUE(pdfs().empty());
        fs::remove_all(model->receiveDir());
    }
}

TEST_F(EndToEnd, AFailedSecondPassKeepsTheFirstPass) {
    // The scanner serves the first pass only; the second finds nobody listening.
    start({"--pages", "1", "--connections", "1"}, screenless());
    model->startScan(choices(IDCard, 1));
    const std::string receive = model->receiveDir();
    ASSERT_TRUE(model->alertAsksForSecondPass());
    model->secondScan(choices(IDCard, 1));
    EXPECT_EQ(model->alertTitle(), "error");
    EXPECT_EQ(model->alertMessage(), "scannerNetworkError pagesKept secondPassAgain");
    EXPECT_TRUE(model->alertAsksForSecondPass());
    EXPECT_THAT(filesIn(receive), ::testing::ElementsAre("file-0001.jpg"));
    EXPECT_TRUE(pdfs().empty());
    EXPECT_TRUE(sleeps.empty());
}

TEST_F(EndToEnd, AFailedPdfKeepsEveryPageFile) {
    start({"--pages", "3"});
    // Spoil page 2 once the last page is stored, so that the PDF cannot be assembled.
    std::string receive;
    model->setPageProgress([&](int pageNo) {
        if (pageNo == 3) {
            std::ofstream(model->receiveDir() + "/file-0002.jpg", std::ios::trunc) << "spoilt";
        }
    });
    model->startScan(choices(NoCombine, 1));
    EXPECT_EQ(model->alertTitle(), "error");
    EXPECT_EQ(model->alertMessage(), "cannotSavePDF pagesKept");
    EXPECT_THAT(filesIn(model->receiveDir()),
                ::testing::ElementsAre("file-0001.jpg", "file-0002.jpg", "file-0003.jpg"));
    EXPECT_TRUE(pdfs().empty());
}

}  // namespace
}  // namespace scandesk
