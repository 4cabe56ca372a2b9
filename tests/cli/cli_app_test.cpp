// scandesk-cli in-process: parsing its command line, and running it against scripted
// services: how the scanner is chosen, option values the scanner does not offer, the
// second-pass prompt, list output.
#include "cli/cli_app.h"
#include "cli/cli_options.h"
#include "cli/english_strings.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <regex>
#include <sstream>

#include "devices/catalogue.h"
#include "fake_services.h"
#include "support/temp_dir.h"

namespace scandesk {
namespace {

using ::testing::HasSubstr;

class Cli : public ::testing::Test {
  protected:
    // Runs the command with `input` on standard input; keeps the streams' texts.
    int run(std::vector<std::string> args, const std::string& input = "", bool terminal = false) {
        record->now += std::chrono::seconds(1);  // a fresh receive directory per run
        std::istringstream in(input);
        std::ostringstream out, err;
        const auto services = [this](uint16_t) { return testing::fakeServices(record); };
        const CliEnvironment env{services, [this] { return temp.path(); }, in, out, err, terminal};
        const int status = runCli(args, env);
        stdoutText = out.str();
        stderrText = err.str();
        return status;
    }

    static std::vector<std::string> netScan(std::vector<std::string> args,
                                            const std::string& model = "Tessel T3") {
        args.insert(args.begin(), {"scan", "--net", "192.0.2.9", "--model", model});
        return args;
    }

    std::shared_ptr<testing::FakeRecord> record = std::make_shared<testing::FakeRecord>();
    testing::TempDir temp;
    std::string stdoutText;
    std::string stderrText;
};

// The lists depend on the scanner, and the resolutions on the source chosen; a request
// that breaks a choice rule names the conflict.
TEST_F(Cli, ValuesNotOfferedAndRequestsBreakingARuleAreUsageErrors) {
    struct Row {
        std::vector<std::string> args;
        const char* fragment;
    };
    for (const Row& row : {
             Row{netScan({"--source", "ADF"}, "Brisk B4 Net"),
                 "--source: 'ADF' is not offered; allowed: FB"},
             Row{netScan({"--source", "FB", "--resolution", "1dpi"}), "600dpi, 1200dpi"},
             Row{netScan({"--combine", "IDCard"}), "allowed: NoCombine (scanner"},
             Row{netScan({}, "Nonexistent 9"), "not a known model"},
             // A log that cannot be written is refused before the scanner is asked anything.
             Row{netScan({"--log-file", "/dev/null/cli.log"}),
                 "--log-file: cannot write to '/dev/null/cli.log': Not a directory"},
             Row{netScan({"--log-file", "."}), "--log-file: cannot write to '.': Is a directory"},
             Row{{"list", "--log-file", "/"}, "--log-file: cannot write to '/': Is a directory"},
             Row{netScan({"--mode", "TEXT", "--combine", "CombinHorizontal", "--format", "image"},
                         "Brisk B4 Air"),
                 "(--mode TEXT with --combine) needs --format pdf"},
             Row{netScan({"--mode", "TEXT", "--rotate", "90"}),
                 "are not turned: leave out --rotate"},
             Row{netScan({"--combine", "CombinVertical", "--rotate", "180"}, "Brisk B4 Net"),
                 "--combine leaves out --rotate"},
             Row{netScan({"--combine", "IDCard", "--page-size", "A5"}, "Brisk B4 Net"),
                 "--combine leaves out --page-size"},
             Row{netScan({"--page-size", "4R"}), "4R is scanned on the flatbed (--source FB)"},
             Row{netScan({"--deskew", "--format", "image"}), "--deskew needs --format pdf"},
             Row{netScan({"--deskew", "--orient"}), "--deskew needs --format pdf"},
             Row{netScan({"--blank", "drop", "--format", "pdf"}),
                 "--blank takes skip or keep, not 'drop'"},
         }) {
        SCOPED_TRACE(row.fragment);
        EXPECT_EQ(run(row.args), kExitUsage);
        EXPECT_THAT(stderrText, HasSubstr(row.fragment));
        EXPECT_EQ(stdoutText, "");
    }
    EXPECT_TRUE(record->scannedDevices.empty());
}

TEST_F(Cli, NamedValuesReachTheScanAndProgressGoesToATerminalOnly) {
    record->scans = {{1}, {2}};
    EXPECT_EQ(run(netScan({"--source", "FB", "--mode", "TEXT", "--format", "pdf"})), kExitInfo);
    ASSERT_EQ(record->scannedParams.size(), 1u);
    EXPECT_EQ(std::tie(record->scannedParams[0].source, record->scannedParams[0].mode),
              std::tuple(ScanSource::flatbed, ColorMode::blackWhite));
    EXPECT_EQ(record->pdfPages, std::vector<int>{1});
    EXPECT_EQ(stderrText, "");
    run(netScan({}), "", true);
    EXPECT_EQ(stderrText, "received page 1\nreceived page 2\n");
    EXPECT_FALSE(std::filesystem::is_empty(temp.path()));  // without --dir: the desktop directory
}

// The files a scan left come before the outcome line, one absolute path a line; a two-pass
// scan left after its first side is an error that says where that side's page is.
TEST_F(Cli, TheTwoPassPromptIsAnsweredByYesOrByStandardInput) {
    const std::string prompt =
        "info: Make sure the scanner is ready again, place the next page, then confirm.\n";
    const std::string left = "The second side was not scanned; the first side's page is kept in";
    for (const auto& [option, input, scans] : {std::tuple{"--yes", "", 2u},
                                               {"--prefix=f", "\n", 2u},
                                               {"--prefix=f", "q\n", 1u},
                                               {"--prefix=f", "", 1u}}) {
        SCOPED_TRACE(input);
        record->scannedDevices.clear();
        record->scans = {{1}, {1}};
        const std::string prefix = option == std::string("--yes") ? "file" : "f";
        EXPECT_EQ(run(netScan({"--combine", "CombinVertical", option}, "Brisk B4 Net"), input),
                  scans == 2 ? kExitInfo : kExitError);
        const std::string page = temp.path() + "/R/" + prefix + "-0001.jpg\n";
        const std::string printed = std::regex_replace(stdoutText, std::regex("/\\d{14}"), "/R");
        EXPECT_EQ(printed, scans == 2
                               ? prompt + page + "info: The two-pass scan is finished.\n"
                               : prompt + page + "error: " + left + " " + temp.path() + "/R.\n");
        EXPECT_EQ(record->scannedDevices.size(), scans);
    }
}

// --json gives one object in place of the files and the outcome line.
TEST_F(Cli, ScanAsJsonGivesTheOutcomeCodePagesAndFiles) {
    struct Row {
        testing::ScriptedScan scan;
        int status;
        const char* code;
        int pages;
        size_t files;
    };
    for (const Row& row : {Row{{2}, kExitInfo, "scanFinished", 2, 2},
                           Row{{1, ScanCode::paperJunck}, kExitError, "paperJunck", 1, 1},
                           // A job that ends without a page is not a success.
                           Row{{0}, kExitError, "noPageScanned", 0, 0}}) {
        SCOPED_TRACE(row.code);
        record->scans = {row.scan};
        EXPECT_EQ(run(netScan({"--json"})), row.status);
        const auto json = nlohmann::json::parse(stdoutText);
        EXPECT_EQ(json.size(), 4u);
        EXPECT_EQ(json["code"], row.code);
        EXPECT_EQ(json["pages"], row.pages);
        EXPECT_EQ(json["files"].size(), row.files);
    }
    EXPECT_EQ(nlohmann::json::parse(stdoutText)["outcome"],
              "error: The scanner ended the job without a page.");
}

// A prefix that cannot name page files is refused before the scanner is asked anything.
TEST_F(Cli, APrefixThatCannotNamePageFilesIsAUsageError) {
    for (const auto& [prefix, fragment] :
         {std::pair{std::string(300, 'p'), std::string("--prefix is too long: at most 230 bytes")},
          std::pair{std::string("a/b"), std::string("must be a name, without '/'")}}) {
        EXPECT_EQ(run(netScan({"--prefix", prefix})), kExitUsage);
        EXPECT_THAT(stderrText, HasSubstr(fragment));
    }
    EXPECT_TRUE(record->scannedDevices.empty());
    EXPECT_TRUE(std::filesystem::is_empty(temp.path()));
}

// Each search answers once: a second --usb or discovery finds nothing.
TEST_F(Cli, TheScannerIsIdentifiedAssumedTakenFromUsbOrDiscovered) {
    const Device usb = Device::fromUsbRow(IDDevice().at(1));
    record->identified = Device::fromNetworkRow(IDDevice().at(1), "192.0.2.9");
    record->usbResults = {{usb}};
    record->networkResults = {{Device::fromNetworkRow(IDDevice().at(0), "198.51.100.3")}};
    struct Row {
        std::vector<std::string> args;
        std::string scanned;  // name and address; empty: none found
        const char* note;
    };
    for (const Row& row : {
             Row{{"scan", "--net", "192.0.2.9"}, "Tessel T5 192.0.2.9", ""},
             Row{{"scan", "--net", "192.0.2.8"},
                 "Tessel T3 192.0.2.8",
                 "assuming the model Tessel T3"},
             Row{{"scan", "--usb"}, "Tessel T5 ", ""},
             Row{{"scan"}, "Tessel T3 198.51.100.3", ""},
             Row{{"scan", "--usb"}, "", ""},
             Row{{"scan"}, "", ""},
         }) {
        SCOPED_TRACE(row.scanned);
        record->scannedDevices.clear();
        record->scans = {{1}};
        EXPECT_EQ(run(row.args), row.scanned.empty() ? kExitError : kExitInfo);
        std::string scanned;
        for (const Device& d : record->scannedDevices) {
            scanned += d.name + " " + d.ip;
        }
        EXPECT_EQ(scanned, row.scanned);
        EXPECT_THAT(stderrText, HasSubstr(row.note));
        EXPECT_EQ(stdoutText == "error: No scanner was found.\n", row.scanned.empty());
        record->identified.reset();  // only the first address answers
    }
}

TEST_F(Cli, ListPrintsTheFoundScannersAsTextOrJson) {
    const Device net = Device::fromNetworkRow(IDDevice().at(0), "198.51.100.3");
    const Device usb = Device::fromUsbRow(IDDevice().at(1));
    record->networkResults = {{net}, {net}, {}, {}};
    record->usbResults = {{usb}, {usb}, {}, {}};
    EXPECT_EQ(run({"list"}), kExitInfo);
    EXPECT_EQ(
        stdoutText,
        "Tessel T3\tNet\t198.51.100.3\tTessel T3(198.51.100.3)\nTessel T5\tUSB\t-\tTessel T5\n");

    EXPECT_EQ(run({"list", "--json"}), kExitInfo);
    const auto json = nlohmann::json::parse(stdoutText);
    ASSERT_EQ(json.size(), 2u);
    EXPECT_EQ(json[0]["id"], net.id.toString());

    EXPECT_EQ(run({"list"}), kExitError);
    EXPECT_EQ(stdoutText, "error: No scanner was found.\n");
    EXPECT_EQ(run({"list", "--json"}), kExitError);
    EXPECT_EQ(stdoutText, "[]\n");
}

// Every way a scan can end reads as English, never as a bare key.
TEST(EnglishTexts, CoverEveryOutcome) {
    for (int code = 0; code <= static_cast<int>(kLastScanCode); ++code) {
        const auto key = alertKey(static_cast<ScanCode>(code));
        EXPECT_FALSE(englishText(key).empty()) << key;
    }
}

TEST(CliOptions, ValuesComeAfterTheNameOrAfterAnEqualsSign) {
    const CliParse parsed = parseCliArguments(
        {"scan", "--net=192.0.2.7", "--port", "65535", "--prefix", "a=b", "--yes", "--rotate=90"});
    ASSERT_TRUE(parsed.options) << parsed.error;
    const CliOptions& o = *parsed.options;
    EXPECT_EQ(std::tuple(*o.netAddress, *o.port, o.prefix, *o.rotate, o.yes),
              std::tuple("192.0.2.7", 65535, "a=b", "90", true));
    EXPECT_EQ(parseCliArguments({"scan", "--net", "192.0.2.7", "--port=1"}).options->port, 1);
    EXPECT_TRUE(parseCliArguments({"list", "--json"}).options->json);
    EXPECT_TRUE(parseCliArguments({"scan", "--json"}).options->json);
    EXPECT_EQ(parseCliArguments({"list", "--help"}).options->verb, CliOptions::Verb::help);
}

TEST(CliOptions, UsageErrorsSayWhatIsWrong) {
    struct Row {
        std::vector<std::string> args;
        const char* fragment;
    };
    for (const Row& row : {
             Row{{}, "a command is needed"},
             Row{{"scan", "--bogus"}, "unknown option '--bogus'"},
             Row{{"scan", "--net", "300.1.1.1"}, "dotted IPv4 address"},
             Row{{"scan", "--net", "192.0.2.1", "--usb"}, "exclude each other"},
             Row{{"scan", "--model", "Tessel T3"}, "--model needs --net"},
             Row{{"scan", "--port", "5000"}, "--port needs --net"},
             Row{{"scan", "--net", "192.0.2.1", "--port", "0"}, "from 1 to 65535, not '0'"},
             Row{{"scan", "--net", "192.0.2.1", "--port", "65536"}, "from 1 to 65535, not '65536'"},
             Row{{"scan", "--net", "192.0.2.1", "--port", "12ab"}, "from 1 to 65535, not '12ab'"},
             Row{{"list", "--mode", "TEXT"}, "--mode is not an option of list"},
             Row{{"scan", "--prefix", ""}, "--prefix must not be empty"},
             Row{{"list", "--log-file", ""}, "--log-file must name a file"},
             Row{{"list", "--orient"}, "--orient is not an option of list"},
             Row{{"scan", "--deskew=yes"}, "--deskew takes no value"},
         }) {
        const CliParse parsed = parseCliArguments(row.args);
        EXPECT_FALSE(parsed.options) << row.fragment;
        EXPECT_NE(parsed.error.find(row.fragment), std::string::npos)
            << "got: " << parsed.error << ", wanted: " << row.fragment;
    }
}

}  // namespace
}  // namespace scandesk
