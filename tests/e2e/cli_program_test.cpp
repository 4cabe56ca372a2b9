// The scandesk-cli program against the virtual scanner on loopback, through the real
// transport, imaging and files: what it prints, its exit status, and what it leaves on disk.
#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <optional>
#include <regex>
#include <sstream>

#include "child_process.h"
#include "support/small_disk.h"
#include "support/temp_dir.h"

namespace scandesk {
namespace {

namespace fs = std::filesystem;
using testing::ProgramRun;
using testing::VirtualScanner;

// Generous bound for one program run; a run normally takes well under a second.
constexpr std::chrono::seconds kRunLimit{20};

std::vector<std::string> words(const std::string& text) {
    std::istringstream in(text);
    return {std::istream_iterator<std::string>(in), {}};
}

std::vector<std::string> cliScan(uint16_t port, const std::string& dir, const std::string& model) {
    return {SCANDESK_CLI,         "scan",  "--net", "127.0.0.1", "--port",
            std::to_string(port), "--dir", dir,     "--model",   model};
}

struct Row {
    std::string name, scanner, model, options;  // options: "OUT" is the output directory
    std::string input;  // on standard input, or "SIGINT"/"SIGTERM"/"SIGHUP": sent after a
                        // second, standard input staying open
    int status;
    std::string out;     // "R" is the receive directory
    std::string left;    // everything under the output directory, sorted
    int pdfPages = -1;   // of R.pdf
    size_t diskKib = 0;  // the output directory on a disk of this size
};

void PrintTo(const Row& row, std::ostream* os) {
    *os << row.name;
}

const std::string kTurnCard =
    "info: Make sure the scanner is ready again, turn the ID card over, then confirm.\n";
const std::string kNextPage =
    "info: Make sure the scanner is ready again, place the next page, then confirm.\n";
const std::string kTwoPassDone = "info: The two-pass scan is finished.\n";
const std::string kOnePageKept = "1 page(s) kept in OUT/R";
// The files a scan left, as it prints them before its outcome line.
const std::string kFirstPage = "OUT/R/file-0001.jpg\n";
const std::string kTwoPages = kFirstPage + "OUT/R/file-0002.jpg\n";
const std::string kCancelled =
    kTwoPages + "error: The scan was cancelled. 2 page(s) kept in OUT/R.\n";

const Row kRows[] = {
    {"Pdf", "--pages 3", "Tessel T3", "--format pdf", "", 0,
     "OUT/R.pdf\ninfo: Scanned 3 page(s).\n", "R.pdf", 3},
    {"Json", "--pages 2", "Tessel T3", "--format pdf --json", "", 0,
     R"({"code":"scanFinished","files":["OUT/R.pdf"],"outcome":"info: Scanned 2 page(s).","pages":2})"
     "\n",
     "R.pdf", 2},
    {"TextPagesAndLogFile", "--pages 2", "Tessel T3", "--mode TEXT --log-file OUT/logs/cli.log", "",
     0, "OUT/R/file-0001.bmp\nOUT/R/file-0002.bmp\ninfo: Scanned 2 page(s).\n",
     "R R/file-0001.bmp R/file-0002.bmp logs logs/cli.log"},
    {"Jam", "--pages 3 --fail-after 2 --status 0xC3", "Tessel T3", "--format pdf", "", 1,
     kTwoPages + "error: The paper is jammed. 2 page(s) kept in OUT/R.\n",
     "R R/file-0001.jpg R/file-0002.jpg"},
    // A failure before the first page leaves no empty folder behind.
    {"EmptyFeeder", "--feeder empty", "Tessel T3", "--source ADF", "", 1,
     "error: There is no paper in the document feeder.\n", ""},
    {"NoPage", "--pages 0", "Tessel T3", "--format pdf", "", 1,
     "error: The scanner ended the job without a page.\n", ""},
    // Refused before the scanner is contacted: no receive directory.
    {"LongPrefix", "", "Tessel T3", "--prefix " + std::string(300, 'p'), "", 2, "", ""},
    {"IdCardInTwoPasses", "", "Brisk B4 Net", "--combine IDCard", "\n", 0,
     kTurnCard + kFirstPage + kTwoPassDone, "R R/file-0001.jpg"},
    {"TwoPassPdf", "", "Brisk B4 Net", "--combine CombinVertical --format pdf --yes", "", 0,
     kNextPage + "OUT/R.pdf\n" + kTwoPassDone, "R.pdf", 1},
    // Left after the first side: an error that says where that side's page is.
    {"SecondSideLeft", "", "Brisk B4 Net", "--combine CombinVertical --format pdf", "q\n", 1,
     kNextPage + kFirstPage +
         "error: The second side was not scanned; the first side's page is kept in OUT/R.\n",
     "R R/file-0001.jpg"},
    {"SignalAtThePrompt", "", "Brisk B4 Net", "--combine CombinVertical", "SIGINT", 130,
     kNextPage + kFirstPage + "error: The scan was cancelled. " + kOnePageKept + ".\n",
     "R R/file-0001.jpg"},
    // The scanner serves one connection: the second pass finds nobody and keeps the first.
    // Asked again, standard input has ended: the second side is left.
    {"FailedSecondPass", "--connections 1", "Brisk B4 Net", "--combine IDCard --format pdf", "\n",
     1,
     kTurnCard + "error: The scanner could not be reached over the network. " + kOnePageKept +
         ". Scan the second side again to finish.\n" + kFirstPage +
         "error: The second side was not scanned; the first side's page is kept in OUT/R.\n",
     "R R/file-0001.jpg"},
    // Two pages of one unit each, then silence: the second page's end record has come, so
    // it is whole and stays.
    {"Interrupt", "--pages 3 --block-size 65535 --silent-after 5", "Tessel T3",
     "--source FB --page-size 4R", "SIGINT", 130, kCancelled, "R R/file-0001.jpg R/file-0002.jpg"},
    // A full disk: the pages written so far stay, and no partial file is left.
    {"FullDisk", "--pages 20", "Tessel T3", "--format pdf", "", 1,
     kTwoPages + "error: A page could not be saved. 2 page(s) kept in OUT/R.\n",
     "R R/file-0001.jpg R/file-0002.jpg", -1, 160},
    {"FullDiskForThePdf", "--pages 3", "Tessel T3", "--format pdf --source FB --page-size 4R", "",
     1,
     kTwoPages + "OUT/R/file-0003.jpg\n" +
         "error: The PDF could not be saved; the scanned pages were kept. 3 page(s) kept in "
         "OUT/R.\n",
     "R R/file-0001.jpg R/file-0002.jpg R/file-0003.jpg", -1, 90},
    {"Terminate", "--pages 3 --block-size 65535 --silent-after 5", "Tessel T3",
     "--source FB --page-size 4R", "SIGTERM", 143, kCancelled, "R R/file-0001.jpg R/file-0002.jpg"},
    // The terminal went away: the job ends as for SIGTERM.
    {"Hangup", "--pages 3 --block-size 65535 --silent-after 5", "Tessel T3",
     "--source FB --page-size 4R", "SIGHUP", 129, kCancelled, "R R/file-0001.jpg R/file-0002.jpg"},
    // Refused before the scanner is contacted: no receive directory.
    {"LogFileIsAFolder", "", "Tessel T3", "--log-file OUT", "", 2, "", ""},
};

class CliProgram : public ::testing::TestWithParam<Row> {};

TEST_P(CliProgram, PrintsTheOutcomeAndLeavesItsFiles) {
    const Row& r = GetParam();
    const testing::TempDir temp;
    std::optional<testing::SmallDisk> disk;
    if (r.diskKib > 0 && !disk.emplace(r.diskKib).ready()) {
        GTEST_SKIP() << "no small disk: " << disk->problem();
    }
    const std::string out = disk ? disk->path() : temp.path();
    const VirtualScanner scanner(words(r.scanner));
    std::vector<std::string> argv = cliScan(scanner.port(), out, r.model);
    if (r.input.starts_with("SIG")) {
        argv.insert(argv.begin(), {"timeout", "--preserve-status", "-s", r.input, "1"});
    }
    for (const auto& option : words(r.options)) {
        argv.push_back(std::regex_replace(option, std::regex("^OUT"), out));
    }
    // A signal comes while standard input stays open and empty.
    const bool signalled = r.input.starts_with("SIG");
    const ProgramRun run =
        testing::runProgram(argv, signalled ? "" : r.input, kRunLimit, signalled);
    EXPECT_EQ(run.status, r.status) << run.err;
    // The receive directory is named by the time of the scan.
    const std::regex receive("\\b\\d{14}\\b");
    EXPECT_EQ(std::regex_replace(std::regex_replace(run.out, receive, "R"), std::regex(out), "OUT"),
              r.out);
    std::vector<std::string> left;
    for (const auto& entry : fs::recursive_directory_iterator(out)) {
        left.push_back(std::regex_replace(fs::relative(entry.path(), out).string(), receive, "R"));
        if (entry.path().extension() == ".pdf") {
            EXPECT_EQ(testing::pdfPageCount(entry.path()), r.pdfPages);
        }
    }
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, words(r.left));
}

INSTANTIATE_TEST_SUITE_P(Scans, CliProgram, ::testing::ValuesIn(kRows),
                         [](const auto& info) { return info.param.name; });

// A scanner that streams at full speed never lets the socket run dry: Ctrl-C still ends
// the job, long before its last page, with the pages stored so far.
TEST(CliProgramStop, CtrlCEndsAScanThatStreamsAtFullSpeed) {
    const testing::TempDir temp;
    const VirtualScanner scanner({"--pages", "1000"});
    std::vector<std::string> argv = cliScan(scanner.port(), temp.path(), "Tessel T3");
    argv.insert(argv.begin(), {"timeout", "--preserve-status", "-s", "SIGINT", "1"});
    const ProgramRun run = testing::runProgram(argv, "", kRunLimit);
    EXPECT_EQ(run.status, 130) << run.err;
    // Each page file kept on a line of its own, then the outcome.
    std::smatch kept;
    ASSERT_TRUE(std::regex_match(
        run.out, kept,
        std::regex(
            "((?:/.*\\.jpg\n)*)error: The scan was cancelled. (\\d+) page\\(s\\) kept in .*\n")))
        << run.out;
    const int pages = std::stoi(kept[2]);
    EXPECT_LT(pages, 1000);
    size_t files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(temp.path())) {
        files += entry.path().extension() == ".jpg";
    }
    EXPECT_EQ(files, static_cast<size_t>(pages));
    EXPECT_EQ(words(kept[1]).size(), files);
}

}  // namespace
}  // namespace scandesk
