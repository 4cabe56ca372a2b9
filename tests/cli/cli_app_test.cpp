// scandesk-cli run in-process against scripted services: how the scanner is chosen,
// option values the scanner does not offer, the second-pass prompt, list output.
#include "cli/cli_app.h"
#include "cli/english_strings.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
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
        std::ostringstream out;
        std::ostringstream err;
        const CliEnvironment env{[this](uint16_t) { return testing::fakeServices(record); },
                                 [this] { return temp.path(); },
                                 in,
                                 out,
                                 err,
                                 terminal};
        const int status = runCli(args, env);
        stdoutText = out.str();
        stderrText = err.str();
        return status;
    }

    static std::vector<std::string> netScan(std::vector<std::string> more,
                                            const std::string& model = "Tessel T3") {
        std::vector<std::string> args{"scan", "--net", "192.0.2.9", "--model", model};
        args.insert(args.end(), more.begin(), more.end());
        return args;
    }

    std::shared_ptr<testing::FakeRecord> record = std::make_shared<testing::FakeRecord>();
    testing::TempDir temp;
    std::string stdoutText;
    std::string stderrText;
};

TEST_F(Cli, ValuesTheScannerDoesNotOfferAreUsageErrors) {
    struct Row {
        std::vector<std::string> args;
        const char* fragment;
    };
    for (const Row& row : {
             Row{netScan({"--mode", "BW"}),
                 "--mode: 'BW' is not offered; allowed: CGRAY, GRAY256, TEXT"},
             Row{netScan({"--source", "ADF"}, "Brisk B4 Net"), "allowed: FB"},
             Row{netScan({"--resolution", "1200dpi"}), "allowed: 200dpi, 300dpi, 600dpi"},
             Row{netScan({"--source", "FB", "--resolution", "1dpi"}), "600dpi, 1200dpi"},
             Row{netScan({"--page-size", "A3"}), "--page-size: 'A3' is not offered"},
             Row{netScan({"--combine", "IDCard"}), "'IDCard' is not offered; allowed: NoCombine"},
             Row{netScan({"--rotate", "45"}), "allowed: 0, 90, 180, 270"},
             Row{netScan({"--format", "tiff"}), "allowed: image, pdf"},
             Row{netScan({}, "Nonexistent 9"), "not a known model; known: Tessel T3, Tessel T5"},
             Row{{"scan", "--frobnicate"}, "unknown option"},
         }) {
        SCOPED_TRACE(row.fragment);
        EXPECT_EQ(run(row.args), kExitUsage);
        EXPECT_THAT(stderrText, HasSubstr(row.fragment));
        EXPECT_THAT(stderrText, HasSubstr("usage: scandesk-cli"));
        EXPECT_EQ(stdoutText, "");
    }
    EXPECT_TRUE(record->scannedDevices.empty());
}

TEST_F(Cli, TheTwoPassPromptIsAnsweredByYesOrByStandardInput) {
    struct Row {
        bool yes;
        std::string input;
        size_t scans;
    };
    const std::string prompt =
        "info: Make sure the scanner is ready again, place the next page, then confirm.\n";
    for (const Row& row :
         {Row{true, "", 2}, Row{false, "\n", 2}, Row{false, "q\n", 1}, Row{false, "", 1}}) {
        SCOPED_TRACE(row.input);
        record->scannedDevices.clear();
        record->scans = {{1}, {1}};
        auto args = netScan({"--combine", "CombinVertical"}, "Brisk B4 Net");
        if (row.yes) {
            args.push_back("--yes");
        }
        EXPECT_EQ(run(args, row.input), kExitInfo);
        EXPECT_EQ(stdoutText,
                  row.scans == 2 ? prompt + "info: The two-pass scan is finished.\n" : prompt);
        EXPECT_EQ(record->scannedDevices.size(), row.scans);
        EXPECT_EQ(row.yes, stderrText.find("Press Enter") == std::string::npos);
    }
}

TEST_F(Cli, TheScannerIsIdentifiedAssumedTakenFromUsbOrDiscovered) {
    const Device identified = Device::fromNetworkRow(IDDevice().at(1), "192.0.2.9");
    const Device usb = Device::fromUsbRow(IDDevice().at(1));
    const Device found = Device::fromNetworkRow(IDDevice().at(0), "198.51.100.3");
    record->identified = identified;
    record->usbResults = {{usb}};
    record->networkResults = {{found}};
    struct Row {
        std::vector<std::string> args;
        std::string scannedName;
        std::string scannedIp;
        const char* note;
    };
    for (const Row& row : {
             Row{{"scan", "--net", "192.0.2.9"}, identified.name, "192.0.2.9", ""},
             Row{{"scan", "--net", "192.0.2.8"},
                 IDDevice().at(0).name,
                 "192.0.2.8",
                 "assuming the model Tessel T3"},
             Row{{"scan", "--usb"}, usb.name, "", ""},
             Row{{"scan"}, found.name, "198.51.100.3", ""},
         }) {
        SCOPED_TRACE(row.scannedIp);
        record->scannedDevices.clear();
        record->scans = {{1}};
        EXPECT_EQ(run(row.args), kExitInfo);
        ASSERT_EQ(record->scannedDevices.size(), 1u);
        EXPECT_EQ(record->scannedDevices[0].name, row.scannedName);
        EXPECT_EQ(record->scannedDevices[0].ip, row.scannedIp);
        EXPECT_THAT(stderrText, HasSubstr(row.note));
        record->identified.reset();  // only the first address answers
    }
    // Nothing left to find over USB or by discovery.
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"scan", "--usb"}, std::vector<std::string>{"scan"}}) {
        EXPECT_EQ(run(args), kExitError);
        EXPECT_EQ(stdoutText, "error: No scanner was found.\n");
    }
}

TEST_F(Cli, ProgressGoesToATerminalOnly) {
    record->scans = {{2}, {2}};
    run(netScan({}), "", false);
    EXPECT_EQ(stderrText, "");
    run(netScan({}), "", true);
    EXPECT_EQ(stderrText, "received page 1\nreceived page 2\n");
    // Without --dir the pages went to the desktop directory.
    EXPECT_FALSE(std::filesystem::is_empty(temp.path()));
}

TEST_F(Cli, ListPrintsTheFoundScannersAsTextOrJson) {
    const Device net = Device::fromNetworkRow(IDDevice().at(0), "198.51.100.3");
    const Device usb = Device::fromUsbRow(IDDevice().at(1));
    record->networkResults = {{net}, {net}, {}};
    record->usbResults = {{usb}, {usb}, {}};
    EXPECT_EQ(run({"list"}), kExitInfo);
    EXPECT_EQ(
        stdoutText,
        "Tessel T3\tNet\t198.51.100.3\tTessel T3(198.51.100.3)\nTessel T5\tUSB\t-\tTessel T5\n");

    EXPECT_EQ(run({"list", "--json"}), kExitInfo);
    const auto json = nlohmann::json::parse(stdoutText);
    ASSERT_EQ(json.size(), 2u);
    EXPECT_EQ(json[0]["id"], net.id.toString());
    EXPECT_EQ(json[0]["PID"], 0x00AB);
    EXPECT_EQ(json[0]["VID"], 0x356C);
    EXPECT_EQ(json[0]["paperSize"], net.paperSize);
    EXPECT_EQ(json[1]["ip"], "");
    EXPECT_EQ(json[1]["supportCombine"], false);
    EXPECT_EQ(json[1].size(), 13u);

    EXPECT_EQ(run({"list"}), kExitError);
    EXPECT_EQ(stdoutText, "error: No scanner was found.\n");
}

// Every way a scan can end reads as English, never as a bare key.
TEST(EnglishTexts, CoverEveryOutcome) {
    for (int code = 0; code <= static_cast<int>(kLastScanCode); ++code) {
        const auto key = alertKey(static_cast<ScanCode>(code));
        EXPECT_FALSE(englishText(key).empty()) << key;
    }
    EXPECT_EQ(fillIn(englishText("pagesKept"), {"2", "/d"}), "2 page(s) kept in /d.");
}

}  // namespace
}  // namespace scandesk
