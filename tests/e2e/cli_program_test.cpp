// The scandesk-cli program against the virtual scanner: outcome lines, exit statuses,
// the second-pass prompt on standard input, and discovery in a private network namespace.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>

#include "child_process.h"
#include "imaging/page_files.h"
#include "support/small_disk.h"
#include "support/temp_dir.h"

namespace scandesk {
namespace {

using ::testing::HasSubstr;
using testing::ProgramRun;
using testing::VirtualScanner;

// Generous bound for one program run; a run normally takes well under a second.
constexpr std::chrono::seconds kRunLimit{20};

class CliProgram : public ::testing::Test {
  protected:
    // scandesk-cli scan at the virtual scanner, into a new directory of its own (two
    // scans within one second cannot share an output directory).
    ProgramRun scan(const VirtualScanner& scanner, const std::string& model,
                    std::vector<std::string> options, const std::string& input) {
        outDir = temp.path() + "/" + std::to_string(++runs);
        std::filesystem::create_directory(outDir);
        std::vector<std::string> argv{
            SCANDESK_CLI, "scan", "--net", "127.0.0.1", "--port", std::to_string(scanner.port()),
            "--model",    model,  "--dir", outDir};
        argv.insert(argv.end(), options.begin(), options.end());
        return testing::runProgram(argv, input, kRunLimit);
    }

    std::vector<std::string> pdfs() const {
        std::vector<std::string> found;
        for (const auto& entry : std::filesystem::directory_iterator(outDir)) {
            if (entry.path().extension() == ".pdf") {
                found.push_back(entry.path().string());
            }
        }
        return found;
    }

    testing::TempDir temp;
    std::string outDir;
    int runs = 0;
};

TEST_F(CliProgram, TheLastLineIsTheOutcomeAndTheStatusItsKind) {
    struct Row {
        std::vector<std::string> scannerOptions;
        std::string model;
        std::vector<std::string> options;
        std::string input;
        int status;
        std::string out;
        const char* err;  // a fragment of standard error
        int pdfPages;     // -1: no PDF
    };
    for (const Row& r : {
             Row{{"--pages", "3"},
                 "Tessel T3",
                 {"--format", "pdf"},
                 "",
                 0,
                 "info: Scanned 3 page(s).\n",
                 "",
                 3},
             Row{{"--pages", "2"},
                 "Tessel T3",
                 {"--verbose"},
                 "",
                 0,
                 "info: Scanned 2 page(s).\n",
                 "ret = (code: scanFinished, pages: 2)",
                 -1},
             Row{{"--feeder", "empty"},
                 "Tessel T3",
                 {"--source", "ADF"},
                 "",
                 1,
                 "error: There is no paper in the document feeder.\n",
                 "",
                 -1},
             Row{{"--pages", "1"},
                 "Tessel T3",
                 {"--prefix", std::string(300, 'p')},
                 "",
                 1,
                 "error: The file name prefix must be a name, without '/'.\n",
                 "",
                 -1},
             Row{{},
                 "Brisk B4 Net",
                 {"--source", "ADF"},
                 "",
                 2,
                 "",
                 "--source: 'ADF' is not offered; allowed: FB",
                 -1},
             Row{{"--pages", "1"},
                 "Brisk B4 Net",
                 {"--combine", "IDCard", "--format", "pdf"},
                 "\n",
                 0,
                 "info: Make sure the scanner is ready again, turn the ID card over, then "
                 "confirm.\ninfo: The two-pass scan is finished.\n",
                 "Press Enter",
                 1},
         }) {
        SCOPED_TRACE(r.out);
        VirtualScanner scanner(r.scannerOptions);
        const ProgramRun run = scan(scanner, r.model, r.options, r.input);
        EXPECT_EQ(run.status, r.status);
        EXPECT_EQ(run.out, r.out);
        EXPECT_THAT(run.err, HasSubstr(r.err));
        ASSERT_EQ(pdfs().size(), r.pdfPages < 0 ? 0u : 1u);
        if (r.pdfPages >= 0) {
            EXPECT_EQ(testing::pdfPageCount(pdfs()[0]), r.pdfPages);
        }
    }
}

// --log-file: the run's lines with their levels, info and up (debug with --verbose), in a
// folder the log makes; standard error takes warnings and up unless --verbose; standard
// output the outcome alone.
TEST_F(CliProgram, TheLogFileKeepsTheRunsLinesAtTheirLevels) {
    const std::regex stamped(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} ([A-Z]+) (.*))");
    for (const bool verbose : {false, true}) {
        SCOPED_TRACE(verbose ? "--verbose" : "default");
        VirtualScanner scanner({"--pages", "2"});
        const std::string log = temp.path() + "/logs-" + std::to_string(runs) + "/cli.log";
        std::vector<std::string> options{"--log-file", log};
        if (verbose) {
            options.push_back("--verbose");
        }
        const ProgramRun run = scan(scanner, "Tessel T3", options, "");
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.out, "info: Scanned 2 page(s).\n");
        EXPECT_EQ(run.err.empty(), !verbose);

        std::ifstream file(log);
        std::vector<std::string> infoLines;
        std::set<std::string> levels;
        for (std::string line; std::getline(file, line);) {
            std::smatch parts;
            if (!std::regex_match(line, parts, stamped)) {
                continue;  // the later lines of a command's text
            }
            levels.insert(parts[1]);
            if (parts[1] == "INFO") {
                infoLines.push_back(parts[2]);
            }
        }
        const std::string receiveDir = std::filesystem::directory_iterator(outDir)->path();
        EXPECT_EQ(infoLines, (std::vector<std::string>{"receive directory created: " + receiveDir,
                                                       "scan finished",
                                                       "ret = (code: scanFinished, pages: 2)"}));
        const std::set<std::string> expectedLevels =
            verbose ? std::set<std::string>{"DEBUG", "INFO"} : std::set<std::string>{"INFO"};
        EXPECT_EQ(levels, expectedLevels);
    }
}

// Ctrl-C while the scanner is silent: the scan ends as cancelled at once, not after the
// page wait, and the program says so.
TEST_F(CliProgram, InterruptStopsTheScanCleanly) {
    for (const auto& [signal, status] : {std::pair{"INT", 130}, std::pair{"TERM", 143}}) {
        VirtualScanner scanner({"--silent-after", "4"});  // greeting, D, S, I: then nothing
        const auto started = std::chrono::steady_clock::now();
        const ProgramRun run = testing::runProgram(
            {"timeout", "--preserve-status", "-s", signal, "1", SCANDESK_CLI, "scan", "--net",
             "127.0.0.1", "--port", std::to_string(scanner.port()), "--model", "Tessel T3", "--dir",
             temp.path()},
            "", kRunLimit);
        EXPECT_EQ(run.status, status) << signal;
        EXPECT_THAT(run.out,
                    ::testing::StartsWith("error: The scan was cancelled. 0 page(s) kept in "));
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
    }
}

// A disk that fills up mid-scan: the pages written so far stay whole and are counted,
// no PDF is attempted, and the run fails.
TEST_F(CliProgram, AFullDiskEndsInAnErrorThatCountsTheKeptPages) {
    testing::SmallDisk disk(160);
    if (!disk.ready()) {
        GTEST_SKIP() << "no small disk: " << disk.problem();
    }
    VirtualScanner scanner({"--pages", "20"});
    const ProgramRun run = testing::runProgram(
        {SCANDESK_CLI, "scan", "--net", "127.0.0.1", "--port", std::to_string(scanner.port()),
         "--model", "Tessel T3", "--format", "pdf", "--dir", disk.path()},
        "", kRunLimit);
    EXPECT_EQ(run.status, 1);
    int kept = 0;
    char folder[256] = {};
    ASSERT_EQ(std::sscanf(run.out.c_str(),
                          "error: A page could not be saved. %d page(s) kept in %255[^\n]", &kept,
                          folder),
              2)
        << run.out;
    std::string receive = folder;
    receive.pop_back();  // the sentence's full stop
    EXPECT_GT(kept, 0);
    EXPECT_LT(kept, 20);
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(receive)) {
        const auto bytes = readWholeFile(entry.path().string());
        ASSERT_TRUE(bytes) << entry.path();
        EXPECT_EQ(bytes.value->back(), 0xD9) << entry.path();  // a whole JPEG
        ++files;
    }
    EXPECT_EQ(files, kept);
    for (const auto& entry : std::filesystem::directory_iterator(disk.path())) {
        EXPECT_NE(entry.path().extension(), ".pdf");
    }
}

// Discovery broadcasts, so it runs only inside a network namespace of its own, where
// nothing but a down loopback exists and nothing is found.
TEST_F(CliProgram, DiscoveryInAnEmptyNamespaceFindsNothing) {
    if (testing::runProgram({"unshare", "-n", "true"}, "", kRunLimit).status != 0) {
        GTEST_SKIP() << "no private network namespace available (unshare -n failed)";
    }
    const ProgramRun list =
        testing::runProgram({"unshare", "-n", SCANDESK_CLI, "list", "--json"}, "", kRunLimit);
    EXPECT_EQ(list.status, 0);
    EXPECT_EQ(list.out, "[]\n");
    const ProgramRun scan = testing::runProgram(
        {"unshare", "-n", SCANDESK_CLI, "scan", "--dir", temp.path()}, "", kRunLimit);
    EXPECT_EQ(scan.status, 1);
    EXPECT_EQ(scan.out, "error: No scanner was found.\n");
}

}  // namespace
}  // namespace scandesk
