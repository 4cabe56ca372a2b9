// The backend's pure parts (configuration, scan plan, lineart lines, end statuses) and,
// linked directly, what frontends rely on of its entry points, against the in-process
// virtual scanner.
#include <gtest/gtest.h>
#include <sane/sane.h>
#include <stdlib.h>

#include <csignal>
#include <fstream>
#include <vector>

#include "devices/catalogue.h"
#include "network/virtual_scanner.h"
#include "sane/backend_config.h"
#include "sane/open_scanner.h"
#include "sane/page_lines.h"
#include "sane/scan_settings.h"
#include "support/captured_lines.h"
#include "support/temp_dir.h"

namespace scandesk::sane {
namespace {

TEST(BackendConfig, ReadsNetLinesDiscoveryAndSkipsWhatItCannotRead) {
    std::vector<int> rejected;
    const BackendConfig config = parseBackendConfig(
        "# comment\n"
        "net 192.0.2.7\n"
        "  net 192.0.2.8:6000 model Tessel T5   # trailing\n"
        "net 192.0.2.9:0\n"          // port out of range
        "net 300.1.1.1\n"            // not an address
        "net 192.0.2.10 modle T3\n"  // unknown keyword
        "snmp-discovery yes\n"
        "snmp-discovery maybe\n"
        "net 192.0.2.7:54321 model Tessel T5\n"  // the address of line 2 again
        "net 192.0.2.7:6000\n",
        &rejected);
    const std::vector<NetEntry> expected{{"192.0.2.7", 54321, std::nullopt},
                                         {"192.0.2.8", 6000, "Tessel T5"},
                                         {"192.0.2.7", 6000, std::nullopt}};
    EXPECT_EQ(config.nets, expected);
    EXPECT_TRUE(config.snmpDiscovery);
    EXPECT_EQ(rejected, (std::vector<int>{4, 5, 6, 8, 9}));
    // SANE_CONFIG_DIR, with the default appended on a trailing colon.
    EXPECT_EQ(configDirectories(nullptr), (std::vector<std::string>{"/etc/sane.d"}));
    EXPECT_EQ(configDirectories("/a:"), (std::vector<std::string>{"/a", "/etc/sane.d"}));
}

TEST(BackendConfig, NamesEachSkippedLineOfTheFileWithItsNumber) {
    const testing::TempDir dir;
    std::ofstream(dir.path() + "/scandesk.conf") << "net 127.0.0.1:0\n"
                                                 << "# fine\n"
                                                 << "net 999.0.0.1\n"
                                                 << "snmp-discovery maybe\n";
    const testing::CapturedLines diagnostics;
    EXPECT_TRUE(loadBackendConfig({dir.path()}).nets.empty());
    const std::string file = dir.path() + "/scandesk.conf:";
    for (const std::string line : {"1: skipped, not a valid line or an address listed before: "
                                   "net 127.0.0.1:0",
                                   "3: skipped, not a valid line or an address listed before: "
                                   "net 999.0.0.1",
                                   "4: skipped, not a valid line or an address listed before: "
                                   "snmp-discovery maybe"}) {
        EXPECT_TRUE(diagnostics.containsFragment(file + line)) << line;
    }
    EXPECT_EQ(diagnostics.lines().size(), 3u);
}

TEST(ScanPlan, AsksForTheSmallestCoveringPageAndCropsTheArea) {
    const Device t3 = Device::fromNetworkRow(IDDevice().front(), "192.0.2.1");
    const std::tuple<AreaMm, int, PageSize, Crop> cases[] = {
        {{0, 0, 205.9, 291.3}, 300, PageSize::a4, {0, 0, 2432, 3441}},
        {{10, 10, 60, 70}, 300, PageSize::photo4R, {118, 118, 591, 709}},
        {{0, 0, 214, 349}, 200, PageSize::legal, {0, 0, 1685, 2748}},
        {{100, 0, 100, 10}, 300, PageSize::photo4R, {1181, 0, 1, 118}},  // never empty
    };
    for (const auto& [area, dpi, page, crop] : cases) {
        ScanSettings settings = defaultSettings(t3);
        settings.area = area;
        settings.dpi = dpi;
        EXPECT_EQ(coveringPageSize(t3, area), page);
        const std::optional<ScanPlan> plan = planScan(t3, settings);
        ASSERT_TRUE(plan);
        EXPECT_EQ(plan->crop, crop) << toText(page);
    }
    ScanSettings adf1200 = defaultSettings(t3);
    adf1200.dpi = 1200;  // the feeder offers up to 600
    EXPECT_FALSE(planScan(t3, adf1200));
}

TEST(PageLines, LineartIsInvertedCroppedAndPaddedWhite) {
    // Two rows of 16 pixels as the scanner sends them (1 white): row 0 all black but the
    // last pixel, row 1 missing.
    std::optional<PageLines> lines =
        PageLines::open(Bytes{0x00, 0x01}, ColorMode::blackWhite, 16, 2, Crop{3, 0, 13, 2});
    ASSERT_TRUE(lines);
    Bytes line(2);
    ASSERT_TRUE(lines->nextLine(line));
    EXPECT_EQ(line, (Bytes{0xFF, 0xF0}));  // 12 black, the white one, then padding
    ASSERT_TRUE(lines->nextLine(line));
    EXPECT_EQ(line, (Bytes{0x00, 0x00}));
    EXPECT_FALSE(lines->nextLine(line));
    EXPECT_FALSE(PageLines::open(Bytes{1, 2, 3}, ColorMode::color, 0, 0, Crop{0, 0, 1, 1}));
}

// The ends scanimage shows by its exit status are left to its tests.
TEST(EndStatus, FrontendsSeeWhyTheBatchEnded) {
    const std::pair<ScanCode, SANE_Status> cases[] = {
        {ScanCode::upperDoorOpen, SANE_STATUS_COVER_OPEN},
        {ScanCode::scannerBusy, SANE_STATUS_DEVICE_BUSY},
        {ScanCode::paperTooLong, SANE_STATUS_JAMMED},
        {ScanCode::stoppedByDeviceKey, SANE_STATUS_CANCELLED},
    };
    for (const auto& [code, status] : cases) {
        EXPECT_EQ(statusFor(code), status) << alertKey(code);
    }
}

// The backend linked directly, on one configured scanner.
class Conformance : public ::testing::Test {
  protected:
    void open(emulator::ScannerScript script, int connections = 1) {
        scanner_.emplace(std::move(script), false, connections);
        std::ofstream(dir_.path() + "/scandesk.conf")
            << "net 127.0.0.1:" << scanner_->port() << " model Tessel T3\n";
        ::setenv("SANE_CONFIG_DIR", dir_.path().c_str(), 1);
        ASSERT_EQ(sane_init(nullptr, nullptr), SANE_STATUS_GOOD);
        ASSERT_EQ(sane_open("", &handle_), SANE_STATUS_GOOD);
    }
    void TearDown() override {
        if (handle_) {
            sane_close(handle_);
        }
        sane_exit();
    }
    SANE_Int set(SANE_Int option, void* value, SANE_Status expected = SANE_STATUS_GOOD) {
        SANE_Int info = 0;
        EXPECT_EQ(sane_control_option(handle_, option, SANE_ACTION_SET_VALUE, value, &info),
                  expected)
            << option;
        return info;
    }
    // Starts the next page and reads it whole: it must be as sane_get_parameters says,
    // with the corner mark on paper.
    void scanPage(const SANE_Parameters& expected) {
        ASSERT_EQ(sane_start(handle_), SANE_STATUS_GOOD);
        SANE_Parameters now{};
        ASSERT_EQ(sane_get_parameters(handle_, &now), SANE_STATUS_GOOD);
        EXPECT_EQ(
            std::tie(now.format, now.depth, now.pixels_per_line, now.lines),
            std::tie(expected.format, expected.depth, expected.pixels_per_line, expected.lines));
        std::vector<SANE_Byte> image;
        SANE_Byte chunk[40000];
        SANE_Int got = 0;
        SANE_Status status;
        while ((status = sane_read(handle_, chunk, sizeof chunk, &got)) == SANE_STATUS_GOOD) {
            image.insert(image.end(), chunk, chunk + got);
        }
        EXPECT_EQ(status, SANE_STATUS_EOF);
        ASSERT_EQ(image.size(), static_cast<size_t>(now.bytes_per_line) * now.lines);
        EXPECT_LT(image[10 * now.bytes_per_line + 10], 64);
        EXPECT_GT(image.back(), 192);
    }

    testing::TempDir dir_;
    std::optional<testing::VirtualScanner> scanner_;
    SANE_Handle handle_ = nullptr;
};

TEST_F(Conformance, OutOfRangeValuesAreClampedAndWrittenBack) {
    open({});
    const std::tuple<SANE_Int, SANE_Word, SANE_Word, bool> cases[] = {
        {kOptBrX, SANE_FIX(1000), SANE_FIX(2528 * 25.4 / 300), true},
        {kOptTlY, SANE_FIX(-5), 0, true},
        {kOptTlX, SANE_FIX(12.5), SANE_FIX(12.5), false},
        {kOptResolution, 310, 300, true},
        {kOptResolution, 600, 600, false},
    };
    for (auto [option, value, expected, inexact] : cases) {
        const SANE_Int info = set(option, &value);
        EXPECT_NEAR(value, expected, 2) << option;
        EXPECT_EQ((info & SANE_INFO_INEXACT) != 0, inexact) << option;
        EXPECT_TRUE(info & SANE_INFO_RELOAD_PARAMS);
    }
    // The flatbed offers 1200 dpi, the feeder not: leaving the flatbed takes the nearest.
    char flatbed[] = "Flatbed", adf[] = "ADF", bogus[] = "Sepia";
    EXPECT_TRUE(set(kOptSource, flatbed) & SANE_INFO_RELOAD_OPTIONS);
    SANE_Word dpi = 1200;
    set(kOptResolution, &dpi);
    EXPECT_EQ(dpi, 1200);
    set(kOptSource, adf);
    ASSERT_EQ(sane_control_option(handle_, kOptResolution, SANE_ACTION_GET_VALUE, &dpi, nullptr),
              SANE_STATUS_GOOD);
    EXPECT_EQ(dpi, 600);
    set(kOptMode, bogus, SANE_STATUS_INVAL);
}

TEST_F(Conformance, PagesReadAsTheParametersSayThenTheFeederEnds) {
    emulator::ScannerScript script;
    script.pages = 2;
    open(script);
    char gray[] = "Gray";
    set(kOptMode, gray);
    SANE_Parameters expected{};
    ASSERT_EQ(sane_get_parameters(handle_, &expected), SANE_STATUS_GOOD);
    scanPage(expected);
    scanPage(expected);
    EXPECT_EQ(sane_start(handle_), SANE_STATUS_NO_DOCS);
    EXPECT_TRUE(scanner_->finished(std::chrono::seconds(2)));
}

// Two lines for one address give one scanner; a frontend that asks for local scanners
// only gets none of the network ones, but can still open one by its name.
TEST(DeviceList, OneEntryPerAddressAndLocalOnlyLeavesTheNetworkOut) {
    const testing::TempDir dir;
    std::ofstream(dir.path() + "/scandesk.conf")
        << "net 192.0.2.7\nnet 192.0.2.7 model Tessel T5\n";
    ::setenv("SANE_CONFIG_DIR", dir.path().c_str(), 1);
    ASSERT_EQ(sane_init(nullptr, nullptr), SANE_STATUS_GOOD);
    for (const auto& [localOnly, names] :
         {std::pair{SANE_FALSE, std::vector<std::string>{"net:192.0.2.7"}}, {SANE_TRUE, {}}}) {
        const SANE_Device** list = nullptr;
        ASSERT_EQ(sane_get_devices(&list, localOnly), SANE_STATUS_GOOD);
        std::vector<std::string> listed;
        for (; *list; ++list) {
            if (!std::string((*list)->name).starts_with("usb:")) {
                listed.push_back((*list)->name);
            }
        }
        EXPECT_EQ(listed, names) << localOnly;
    }
    SANE_Handle handle = nullptr;
    EXPECT_EQ(sane_open("net:192.0.2.7", &handle), SANE_STATUS_GOOD);
    sane_close(handle);
    sane_exit();
}

SANE_Handle signalled = nullptr;

// Each batch waits for the greeting's successor until a signal handler cancels it; the cancel
// must end only that batch, so the second start waits for its own.
TEST_F(Conformance, ACancelFromASignalHandlerEndsTheWaitAndOnlyItsBatch) {
    emulator::ScannerScript script;
    script.silentAfterUnits = 1;
    open(script, 2);
    signalled = handle_;
    struct sigaction action {};
    action.sa_handler = [](int) { sane_cancel(signalled); };
    struct sigaction previous {};
    ASSERT_EQ(::sigaction(SIGALRM, &action, &previous), 0);
    for (int batch = 1; batch <= 2; ++batch) {
        ::alarm(1);
        const auto begun = std::chrono::steady_clock::now();
        EXPECT_EQ(sane_start(handle_), SANE_STATUS_CANCELLED) << batch;
        const auto waited = std::chrono::steady_clock::now() - begun;
        ::alarm(0);
        EXPECT_TRUE(waited > std::chrono::milliseconds(500) && waited < std::chrono::seconds(4))
            << batch;
    }
    EXPECT_TRUE(scanner_->finished(std::chrono::seconds(2)));  // both sessions released
    ::sigaction(SIGALRM, &previous, nullptr);
}

}  // namespace
}  // namespace scandesk::sane
