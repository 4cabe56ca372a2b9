// scandesk-cli run in-process against scripted services: outcomes, exit statuses,
// the second-pass prompt, option values the scanner does not offer.
#include "cli/cli_app.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <sstream>

#include "devices/catalogue.h"
#include "fake_services.h"
#include "temp_dir.h"

namespace scandesk {
namespace {

using ::testing::HasSubstr;
using testing::ScriptedScan;

class Cli : public ::testing::Test {
  protected:
    // Runs the command with `input` on standard input; keeps the streams' texts.
    int run(std::vector<std::string> args, const std::string& input = "", bool terminal = false) {
        std::istringstream in(input);
        std::ostringstream out;
        std::ostringstream err;
        CliEnvironment env{[this](uint16_t port) {
                               ports.push_back(port);
                               return testing::fakeServices(record);
                           },
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

    // The last line written to standard output.
    std::string lastLine() const {
        std::string text = stdoutText;
        if (!text.empty() && text.back() == '\n') {
            text.pop_back();
        }
        return text.substr(text.rfind('\n') == std::string::npos ? 0 : text.rfind('\n') + 1);
    }

    std::vector<std::string> netScan(std::vector<std::string> more,
                                     const std::string& model = "Tessel T3") {
        std::vector<std::string> args{"scan", "--net", "192.0.2.9", "--model", model};
        args.insert(args.end(), more.begin(), more.end());
        return args;
    }

    std::shared_ptr<testing::FakeRecord> record = [] {
        auto r = std::make_shared<testing::FakeRecord>();
        r->now = testing::fixedMoment();
        return r;
    }();
    testing::TempDir temp;
    std::vector<uint16_t> ports;
    std::string stdoutText;
    std::string stderrText;
};

TEST_F(Cli, AScanPrintsItsOutcomeLastAndExitsZero) {
    record->scans = {{2, {true, "2"}}};
    EXPECT_EQ(run(netScan({"--port", "6001"})), kExitInfo);
    EXPECT_EQ(lastLine(), "info: Scanned 2 page(s).");
    ASSERT_EQ(record->scannedDevices.size(), 1u);
    const Device& device = record->scannedDevices[0];
    EXPECT_EQ(device.name, "Tessel T3");
    EXPECT_EQ(device.type, "Net");
    EXPECT_EQ(device.ip, "192.0.2.9");
    EXPECT_EQ(ports, std::vector<uint16_t>{6001});
    // The desktop directory is the default output directory.
    EXPECT_TRUE(std::filesystem::exists(temp.path() + "/20240305140709/file-0001.jpg"));
    EXPECT_EQ(stderrText, "");  // no diagnostics and no progress off a terminal
}

TEST_F(Cli, OptionsReachTheScanAsGiven) {
    record->scans = {{1, {true, "1"}}};
    EXPECT_EQ(run(netScan({"--source", "FB", "--mode", "GRAY256", "--content", "TYPE",
                           "--resolution", "1200dpi", "--page-size", "Legal", "--format", "pdf",
                           "--rotate", "270", "--dir", temp.path(), "--prefix", "doc"})),
              kExitInfo);
    ASSERT_EQ(record->scannedParams.size(), 1u);
    const ScanParam& p = record->scannedParams[0];
    EXPECT_EQ(p.source, "FB");
    EXPECT_EQ(p.mode, "GRAY256");
    EXPECT_EQ(p.type, "TYPE");
    EXPECT_EQ(p.dpi, 1200);
    EXPECT_EQ(p.h, 4128 * 4);
    EXPECT_EQ(p.fileType, "PDF");
    EXPECT_EQ(p.rotateAngle, 270);
    EXPECT_EQ(p.filePath, temp.path() + "/20240305140709/doc");
    ASSERT_EQ(record->pdfCalls.size(), 1u);
    EXPECT_EQ(record->pdfCalls[0].pageSize, "Legal");
}

TEST_F(Cli, AFailedScanIsAnErrorOutcome) {
    record->scans = {{0, {false, "noPaperInADF"}}};
    EXPECT_EQ(run(netScan({})), kExitError);
    EXPECT_EQ(lastLine(), "error: There is no paper in the document feeder.");
}

TEST_F(Cli, AFileNamePrefixWithASlashIsRefused) {
    EXPECT_EQ(run(netScan({"--prefix", "../elsewhere"})), kExitError);
    EXPECT_EQ(lastLine(), "error: The file name prefix must be a name, without '/'.");
    EXPECT_TRUE(record->scannedDevices.empty());
    EXPECT_TRUE(std::filesystem::is_empty(temp.path()));
}

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
             Row{netScan({"--source", "FB", "--resolution", "100dpi"}),
                 "allowed: 200dpi, 300dpi, 600dpi, 1200dpi"},
             Row{netScan({"--page-size", "A3"}), "--page-size: 'A3' is not offered"},
             Row{netScan({"--combine", "IDCard"}),
                 "--combine: 'IDCard' is not offered; allowed: NoCombine"},
             Row{netScan({"--combine", "Both"}, "Brisk B4 Net"),
                 "allowed: NoCombine, CombinHorizontal, CombinVertical, IDCard"},
             Row{netScan({"--rotate", "45"}), "allowed: 0, 90, 180, 270"},
             Row{netScan({"--format", "tiff"}), "allowed: image, pdf"},
             Row{netScan({"--content", "auto"}), "allowed: AUTO, PHOTO, TYPE"},
             Row{netScan({}, "Nonexistent 9"), "is not a known model; known: Tessel T3, Tessel T5"},
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

TEST_F(Cli, HelpGoesToStandardOutput) {
    EXPECT_EQ(run({"--help"}), kExitInfo);
    EXPECT_THAT(stdoutText, HasSubstr("usage: scandesk-cli list"));
}

TEST_F(Cli, TheTwoPassPromptIsAnsweredByYesOrByStandardInput) {
    struct Row {
        const char* name;
        bool yes;
        std::string input;
        size_t scans;
        std::string last;
    };
    const std::string prompt =
        "info: Make sure the scanner is ready again, place the next page, then confirm.";
    for (const Row& row : {
             Row{"--yes", true, "", 2, "info: The two-pass scan is finished."},
             Row{"enter", false, "\n", 2, "info: The two-pass scan is finished."},
             Row{"q", false, "q\n", 1, prompt},
             Row{"end of input", false, "", 1, prompt},
         }) {
        SCOPED_TRACE(row.name);
        record->scannedDevices.clear();
        record->now += std::chrono::seconds(1);
        record->scans = {{1, {true, "1"}}, {1, {true, "1"}}};
        std::vector<std::string> args = netScan({"--combine", "CombinVertical"}, "Brisk B4 Net");
        if (row.yes) {
            args.push_back("--yes");
        }
        EXPECT_EQ(run(args, row.input), kExitInfo);
        EXPECT_THAT(stdoutText, HasSubstr(prompt + "\n"));
        EXPECT_EQ(lastLine(), row.last);
        EXPECT_EQ(record->scannedDevices.size(), row.scans);
        EXPECT_EQ(row.yes, stderrText.find("Press Enter") == std::string::npos);
    }
}

TEST_F(Cli, DiagnosticsOnlyWithVerboseAndProgressOnlyOnATerminal) {
    record->scans = {{2, {true, "2"}}, {2, {true, "2"}}};
    run(netScan({"--verbose"}));
    EXPECT_THAT(stderrText, HasSubstr("ret = (status: true, message: \"2\")"));
    EXPECT_THAT(stdoutText, Not(HasSubstr("ret = ")));
    EXPECT_THAT(stderrText, Not(HasSubstr("received page")));
    record->now += std::chrono::seconds(1);
    run(netScan({}), "", true);
    EXPECT_EQ(stderrText, "received page 1\nreceived page 2\n");
}

TEST_F(Cli, WithoutAModelTheScannerIdentifiesItselfOrTheFirstModelIsAssumed) {
    record->scans = {{1, {true, "1"}}, {1, {true, "1"}}};
    Device identified = Device::fromNetworkRow(IDDevice().at(1), "192.0.2.9");
    record->identified = identified;
    EXPECT_EQ(run({"scan", "--net", "192.0.2.9"}), kExitInfo);
    EXPECT_EQ(record->scannedDevices.at(0), identified);
    EXPECT_EQ(stderrText, "");

    record->identified.reset();
    record->now += std::chrono::seconds(1);
    EXPECT_EQ(run({"scan", "--net", "192.0.2.9"}), kExitInfo);
    EXPECT_EQ(record->scannedDevices.at(1).name, IDDevice().at(0).name);
    EXPECT_THAT(stderrText, HasSubstr("assuming the model " + IDDevice().at(0).name));
    EXPECT_THAT(record->searches,
                ::testing::ElementsAre("identify 192.0.2.9", "identify 192.0.2.9"));
}

TEST_F(Cli, UsbTakesTheFirstUsbScannerAndNeedsNoNetwork) {
    const Device first = Device::fromUsbRow(IDDevice().at(1));
    record->usbResults = {{first, Device::fromUsbRow(IDDevice().at(0))}};
    record->scans = {{1, {true, "1"}}};
    EXPECT_EQ(run({"scan", "--usb"}), kExitInfo);
    EXPECT_EQ(record->scannedDevices.at(0), first);
    EXPECT_THAT(record->searches, ::testing::ElementsAre("usb"));

    EXPECT_EQ(run({"scan", "--usb"}), kExitError);
    EXPECT_EQ(lastLine(), "error: No scanner was found.");
}

TEST_F(Cli, WithoutNetOrUsbTheFirstDiscoveredScannerIsUsed) {
    const Device net = Device::fromNetworkRow(IDDevice().at(0), "198.51.100.3");
    record->networkResults = {{net}, {}};
    record->usbResults = {{Device::fromUsbRow(IDDevice().at(1))}, {}};
    record->scans = {{1, {true, "1"}}};
    EXPECT_EQ(run({"scan"}), kExitInfo);
    EXPECT_EQ(record->scannedDevices.at(0), net);

    EXPECT_EQ(run({"scan"}), kExitError);
    EXPECT_EQ(lastLine(), "error: No scanner was found.");
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
    EXPECT_EQ(json[0]["ip"], "198.51.100.3");
    EXPECT_EQ(json[0]["PID"], 0x00AB);
    EXPECT_EQ(json[0]["VID"], 0x356C);
    EXPECT_EQ(json[0]["paperSize"], net.paperSize);
    EXPECT_EQ(json[1]["type"], "USB");
    EXPECT_EQ(json[1]["hasScreen"], true);
    EXPECT_EQ(json[1]["supportCombine"], false);
    for (const char* key : {"name", "label", "scanSource", "adfResolution", "fbResolution"}) {
        EXPECT_TRUE(json[1].contains(key)) << key;
    }
    EXPECT_EQ(json[1].size(), 13u);

    EXPECT_EQ(run({"list"}), kExitError);
    EXPECT_EQ(stdoutText, "error: No scanner was found.\n");
}

}  // namespace
}  // namespace scandesk
