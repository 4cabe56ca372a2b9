// Whole scans through the session core, the real network transport and imaging,
// against the virtual scanner on loopback.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>

#include "child_process.h"
#include "devices/catalogue.h"
#include "session/default_services.h"
#include "session/scanner_model.h"
#include "session/two_pass_prompt.h"
#include "support/captured_lines.h"
#include "temp_dir.h"

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

// The catalogue row of a model name.
const BaseDevice& row(const std::string& name) {
    for (const auto* rows : {&IDDevice(), &KESTDevices()}) {
        for (const BaseDevice& r : *rows) {
            if (r.name == name) {
                return r;
            }
        }
    }
    throw std::invalid_argument(name);
}

// A scanner with a screen and a feeder, and a screenless flatbed that combines in two passes.
constexpr const char* kWithScreen = "Tessel T3";
constexpr const char* kScreenless = "Brisk B4 Net";

class EndToEnd : public ::testing::Test {
  protected:
    // A model scanning `modelName` at the virtual scanner started with `options`.
    void start(const std::vector<std::string>& options, const char* modelName = kWithScreen) {
        scanner.emplace(options);
        ScannerModelServices services = defaultModelServices(scanner->port(), quickLimits());
        services.sleep = [this](std::chrono::milliseconds wait) { sleeps.push_back(wait); };
        if (adjust) {
            adjust(services);
        }
        model.emplace(main, main, services, false);
        model->setSelectedScanner(Device::fromNetworkRow(row(modelName), "127.0.0.1"));
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

TEST_F(EndToEnd, OnePassImageScansKeepTheirPageFiles) {
    struct Row {
        int mode;
        std::vector<std::string> files;
    };
    for (const Row& r : {Row{CGRAY, {"file-0001.jpg", "file-0002.jpg", "file-0003.jpg"}},
                         Row{TEXT, {"file-0001.bmp", "file-0002.bmp", "file-0003.bmp"}}}) {
        SCOPED_TRACE(r.mode);
        start({"--pages", "3"});
        model->startScan(choices(NoCombine, 0, r.mode));
        EXPECT_EQ(model->alertTitle(), "info");
        EXPECT_EQ(model->alertMessage(), "scanPage 3 pages");
        EXPECT_EQ(filesIn(model->receiveDir()), r.files);
        EXPECT_TRUE(pdfs().empty());
        fs::remove_all(model->receiveDir());  // the next row's scan may fall in the same second
    }
}

TEST_F(EndToEnd, OnePassPdfScanLeavesOnePdf) {
    start({"--pages", "3"});
    model->startScan(choices(NoCombine, 1));
    EXPECT_EQ(model->alertMessage(), "scanPage 3 pages");
    ASSERT_EQ(pdfs().size(), 1u);
    EXPECT_EQ(testing::pdfPageCount(pdfs()[0]), 3);
    EXPECT_FALSE(fs::exists(model->receiveDir()));
}

TEST_F(EndToEnd, CombiningOnAScannerWithAScreenHalvesThePdf) {
    struct Row {
        const char* pages;
        int pdfPages;
    };
    for (const Row& r : {Row{"4", 2}, Row{"3", 2}}) {
        SCOPED_TRACE(r.pages);
        for (const auto& pdf : pdfs()) {
            fs::remove(pdf);
        }
        start({"--pages", r.pages});
        model->startScan(choices(Vertical, 1));
        EXPECT_EQ(model->alertMessage(), std::string("scanPage ") + r.pages + " pages");
        ASSERT_EQ(pdfs().size(), 1u);
        EXPECT_EQ(testing::pdfPageCount(pdfs()[0]), r.pdfPages);
        EXPECT_FALSE(fs::exists(model->receiveDir()));
    }
}

TEST_F(EndToEnd, AScreenlessScannerCombinesInTwoPasses) {
    struct Row {
        int combine;
        std::string_view prompt;
    };
    for (const Row& r : {Row{IDCard, kTurnCardPrompt}, Row{Horizontal, kNextPagePrompt}}) {
        SCOPED_TRACE(r.combine);
        start({"--pages", "1"}, kScreenless);
        model->startScan(choices(r.combine));
        EXPECT_EQ(model->alertTitle(), "info");
        EXPECT_EQ(model->alertMessage(), r.prompt);
        const std::string receive = model->receiveDir();
        EXPECT_THAT(filesIn(receive), ::testing::ElementsAre("file-0001.jpg"));

        model->secondScan(choices(r.combine));
        EXPECT_EQ(model->alertTitle(), "info");
        EXPECT_EQ(model->alertMessage(), kTwoPassDoneKey);
        // Two pages became one combined page file.
        EXPECT_THAT(filesIn(receive), ::testing::ElementsAre("file-0001.jpg"));
        fs::remove_all(receive);
    }
}

TEST_F(EndToEnd, ATwoPassPdfHoldsTheCombinedPage) {
    start({"--pages", "1"}, kScreenless);
    model->startScan(choices(Vertical, 1));
    EXPECT_TRUE(asksForSecondPass(model->alertMessage()));
    EXPECT_TRUE(pdfs().empty());
    model->secondScan(choices(Vertical, 1));
    EXPECT_EQ(model->alertMessage(), kTwoPassDoneKey);
    ASSERT_EQ(pdfs().size(), 1u);
    EXPECT_EQ(testing::pdfPageCount(pdfs()[0]), 1);
    EXPECT_FALSE(fs::exists(model->receiveDir()));
}

// The virtual scanner speaks TCP, where a busy scanner is not reported; the first
// attempt of the second pass stands in for a busy USB scanner, the retry is real.
TEST_F(EndToEnd, ABusySecondPassIsRetriedAgainstTheScanner) {
    struct BusyScanner final : ScanProcess {
        ResultPair start() override { return {false, "scannerBusy"}; }
    };
    int attempts = 0;
    adjust = [&attempts](ScannerModelServices& services) {
        services.makeScanProcess = [real = services.makeScanProcess, &attempts](
                                       const Device& d, SharedScanCommand c, PageSink s,
                                       PageProgress p) -> std::unique_ptr<ScanProcess> {
            if (++attempts == 2) {
                return std::make_unique<BusyScanner>();
            }
            return real(d, std::move(c), std::move(s), std::move(p));
        };
    };
    start({"--pages", "1"}, kScreenless);
    model->startScan(choices(Vertical, 1));
    model->secondScan(choices(Vertical, 1));
    EXPECT_EQ(attempts, 3);
    EXPECT_THAT(sleeps, ::testing::ElementsAre(kBusyRetryWait));
    EXPECT_EQ(model->alertMessage(), kTwoPassDoneKey);
    ASSERT_EQ(pdfs().size(), 1u);
    EXPECT_EQ(testing::pdfPageCount(pdfs()[0]), 1);
}

TEST_F(EndToEnd, AFailedFirstPassKeepsThePagesThatArrived) {
    struct Row {
        std::vector<std::string> options;
        int source;
        const char* message;
        size_t pages;
    };
    for (const Row& r :
         {Row{{"--pages", "3", "--fail-after", "2", "--status", "0xC3"}, 0, "paperJunck", 2},
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

TEST_F(EndToEnd, AFailedSecondPassRemovesTheFirstPassToo) {
    // The scanner serves the first pass only; the second finds nobody listening.
    start({"--pages", "1", "--connections", "1"}, kScreenless);
    model->startScan(choices(IDCard, 1));
    const std::string receive = model->receiveDir();
    ASSERT_TRUE(asksForSecondPass(model->alertMessage()));
    model->secondScan(choices(IDCard, 1));
    EXPECT_EQ(model->alertTitle(), "error");
    EXPECT_EQ(model->alertMessage(), "scannerNetworkError");
    EXPECT_FALSE(fs::exists(receive));
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
    EXPECT_EQ(model->alertMessage(), "cannotSavePDF");
    EXPECT_THAT(filesIn(model->receiveDir()),
                ::testing::ElementsAre("file-0001.jpg", "file-0002.jpg", "file-0003.jpg"));
    EXPECT_TRUE(pdfs().empty());
}

}  // namespace
}  // namespace scandesk
