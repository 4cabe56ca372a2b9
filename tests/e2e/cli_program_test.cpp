// The scandesk-cli program against the virtual scanner: outcome lines, exit statuses,
// the second-pass prompt on standard input, and discovery in a private network namespace.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "child_process.h"
#include "temp_dir.h"

namespace scandesk {
namespace {

using ::testing::HasSubstr;
using testing::ProgramRun;
using testing::VirtualScanner;

// Generous bound for one program run; a run normally takes well under a second.
constexpr std::chrono::seconds kRunLimit{20};

class CliProgram : public ::testing::Test {
  protected:
    // scandesk-cli scan at the virtual scanner, into the temporary directory.
    ProgramRun scan(const VirtualScanner& scanner, const std::string& model,
                    std::vector<std::string> options, const std::string& input = "") {
        std::vector<std::string> argv{
            SCANDESK_CLI, "scan", "--net", "127.0.0.1", "--port", std::to_string(scanner.port()),
            "--model",    model,  "--dir", temp.path()};
        argv.insert(argv.end(), options.begin(), options.end());
        return testing::runProgram(argv, input, kRunLimit);
    }

    std::vector<std::string> pdfs() const {
        std::vector<std::string> found;
        for (const auto& entry : std::filesystem::directory_iterator(temp.path())) {
            if (entry.path().extension() == ".pdf") {
                found.push_back(entry.path().string());
            }
        }
        return found;
    }

    testing::TempDir temp;
};

TEST_F(CliProgram, AScanEndsWithTheOutcomeAndStatusZero) {
    VirtualScanner scanner({"--pages", "3"});
    const ProgramRun run = scan(scanner, "Tessel T3", {"--format", "pdf", "--page-size", "A4"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "info: Scanned 3 page(s).\n");
    EXPECT_EQ(run.err, "");
    ASSERT_EQ(pdfs().size(), 1u);
    EXPECT_EQ(testing::pdfPageCount(pdfs()[0]), 3);
}

TEST_F(CliProgram, AFailedScanIsStatusOne) {
    VirtualScanner scanner({"--feeder", "empty"});
    const ProgramRun run = scan(scanner, "Tessel T3", {"--source", "ADF"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "error: There is no paper in the document feeder.\n");
}

TEST_F(CliProgram, AValueTheScannerDoesNotOfferIsStatusTwo) {
    VirtualScanner scanner({});
    const ProgramRun run = scan(scanner, "Brisk B4 Net", {"--source", "ADF"});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_THAT(run.err, HasSubstr("--source: 'ADF' is not offered; allowed: FB"));
}

TEST_F(CliProgram, TheSecondPassStartsWhenStandardInputConfirms) {
    VirtualScanner scanner({"--pages", "1"});
    const ProgramRun run =
        scan(scanner, "Brisk B4 Net", {"--combine", "IDCard", "--format", "pdf"}, "\n");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out,
              "info: Make sure the scanner is ready again, turn the ID card over, then "
              "confirm.\ninfo: The two-pass scan is finished.\n");
    EXPECT_THAT(run.err, HasSubstr("Press Enter"));
    ASSERT_EQ(pdfs().size(), 1u);
    EXPECT_EQ(testing::pdfPageCount(pdfs()[0]), 1);
}

TEST_F(CliProgram, VerboseSendsDiagnosticsToStandardErrorOnly) {
    VirtualScanner scanner({"--pages", "2"});
    const ProgramRun run = scan(scanner, "Tessel T3", {"--verbose"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "info: Scanned 2 page(s).\n");
    EXPECT_THAT(run.err, HasSubstr("check scanner validate info = 0001"));
    EXPECT_THAT(run.err, HasSubstr("ret = (status: true, message: \"2\")"));
}

// Discovery broadcasts, so it runs only inside a network namespace of its own, where
// nothing but a down loopback exists and nothing is found.
TEST_F(CliProgram, DiscoveryInAnEmptyNamespaceFindsNothing) {
    if (testing::runProgram({"/usr/bin/unshare", "-n", "/bin/true"}, "", kRunLimit).status != 0) {
        GTEST_SKIP() << "no private network namespace available (unshare -n failed)";
    }
    const ProgramRun list = testing::runProgram(
        {"/usr/bin/unshare", "-n", SCANDESK_CLI, "list", "--json"}, "", kRunLimit);
    EXPECT_EQ(list.status, 0);
    EXPECT_EQ(list.out, "[]\n");
    const ProgramRun scan = testing::runProgram(
        {"/usr/bin/unshare", "-n", SCANDESK_CLI, "scan", "--dir", temp.path()}, "", kRunLimit);
    EXPECT_EQ(scan.status, 1);
    EXPECT_EQ(scan.out, "error: No scanner was found.\n");
}

}  // namespace
}  // namespace scandesk
