// A whole USB job against a scripted scanner: open, paper check, commands, pages, close.
#include "usb/usb_scan_process.h"

#include <gtest/gtest.h>
#include <libusb.h>

#include <chrono>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include "devices/catalogue.h"
#include "emulator/job_params.h"
#include "imaging/page_files.h"
#include "imaging/save_images.h"
#include "support/captured_lines.h"
#include "support/engine_driven_scanner.h"
#include "support/page_packets.h"
#include "support/scripted_usb_scanner.h"
#include "support/small_disk.h"
#include "usb/usb_error.h"

namespace scandesk {
namespace {

using namespace std::chrono_literals;
using emulator::FeederState;
using emulator::ScannerScript;
using testing::CapturedLines;
using testing::DeviceLayout;
using testing::InUnit;
using testing::pagePacket;
using testing::pageTail;
using testing::payloadOf;
using testing::ScriptedScanner;
using testing::SmallDisk;
using testing::UsbTestbed;

constexpr uint8_t kOpen = 0x01;
constexpr uint8_t kClose = 0x02;

// How the scripted scanner answers the four commands.
struct Replies {
    uint8_t d = 0x80;
    uint8_t s = 0x80;
    uint8_t i = 0x00;
    std::vector<InUnit> afterX{InUnit::data({0x80})};
};

// Answers each command by its letter, as a scanner does.
ScriptedScanner::Responder respond(Replies replies) {
    return [replies](const Bytes& written) -> std::vector<InUnit> {
        if (written.size() < 2 || written[0] != 0x1B) {
            return {};
        }
        switch (written[1]) {
            case 'D':
                return {InUnit::data({replies.d})};
            case 'S':
                return {InUnit::data({replies.s})};
            case 'I':
                return {InUnit::data({replies.i})};
            case 'X':
                return replies.afterX;
            default:
                return {};
        }
    };
}

// A small grey job from the given source, quick for the engine to render.
ScanParam jobParam(const std::string& source) {
    ScanParam param = emulator::test::smallJob("GRAY256", 64, 64);
    param.source = source;
    return param;
}

Device scannerOf(uint16_t pid) {
    BaseDevice row = IDDevice().front();
    row.PID = pid;
    row.VID = kMakerVendorId;
    return Device::fromUsbRow(row);
}

class UsbScanJob : public ::testing::Test {
  protected:
    // A failed job shows its diagnostic lines.
    void TearDown() override {
        if (HasFailure()) {
            for (const std::string& line : lines.lines()) {
                std::cerr << line << '\n';
            }
        }
    }

    // Runs one job with the replies scripted by hand.
    ScanOutcome run(const Replies& replies, const std::string& source = "ADF",
                    uint16_t pid = 0x00AB) {
        scanner->setResponder(respond(replies));
        return start(source, pid);
    }

    // Runs one job with the virtual scanner's engine playing the device.
    ScanOutcome runEngine(const ScannerScript& script, const std::string& source = "ADF") {
        engine = std::make_shared<emulator::ScannerEngine>(script);
        driveByEngine(*scanner, engine);
        return start(source, 0x00AB);
    }

    ScanOutcome start(const std::string& source, uint16_t pid) {
        UsbScanOptions options;
        options.pageReadTimeout = 500ms;
        options.progress = [this](int pageNo) { progress.push_back(pageNo); };
        PageSink recordingSink = [this](const ScanParam& param, int pageNo, const Bytes& data) {
            stored.emplace_back(pageNo, data);
            return sink ? sink(param, pageNo, data) : ResultPair{true, "ok"};
        };
        ScanParam param = jobParam(source);
        param.filePath = filePath;
        UsbScanProcess process(scannerOf(pid), ScanCommand(param), recordingSink, options);
        ScanOutcome result = process.start({});
        pipes = process.pipes();
        return result;
    }

    // The command letters in the order they reached the scanner.
    std::string letters() const {
        std::string text;
        for (const Bytes& written : scanner->writes()) {
            text += static_cast<char>(written.size() > 1 ? written[1] : '?');
        }
        return text;
    }

    std::vector<uint8_t> controlRequests() const {
        std::vector<uint8_t> requests;
        for (const auto& control : scanner->controls()) {
            requests.push_back(control.bRequest);
        }
        return requests;
    }

    // The source text the S command carried.
    std::string sCommandSource() const {
        for (const Bytes& written : scanner->writes()) {
            if (written.size() > 6 && written[1] == 'S') {
                return std::string(written.begin() + 3, written.end() - 3);
            }
        }
        return "";
    }

    UsbTestbed bed;
    ScriptedScanner* scanner = &bed.attach();
    CapturedLines lines;
    std::shared_ptr<emulator::ScannerEngine> engine;
    PageSink sink;         ///< stores the pages after the recording; none: always stored
    std::string filePath;  ///< the job's page file prefix
    std::vector<std::pair<int, Bytes>> stored;
    std::vector<int> progress;
    PipeTable pipes;
};

struct PaperRow {
    std::string source;
    std::optional<FeederState> feeder;  ///< the engine answers; otherwise `replies` do
    Replies replies;
    ScanOutcome expected;
    std::string letters;
    std::string sSource;
};

void PrintTo(const PaperRow& row, std::ostream* out) {
    *out << row.source;
    if (row.feeder) {
        *out << " feeder " << static_cast<int>(*row.feeder);
    } else {
        *out << " D=" << int(row.replies.d) << " S=" << int(row.replies.s)
             << " I=" << int(row.replies.i);
    }
}

class PaperAndCommandReplies : public UsbScanJob, public ::testing::WithParamInterface<PaperRow> {};

TEST_P(PaperAndCommandReplies, DecideTheJobAndAlwaysCloseTheScanner) {
    const PaperRow& row = GetParam();
    if (row.feeder) {
        ScannerScript script;
        script.pages = 0;
        script.feeder = *row.feeder;
        EXPECT_EQ(runEngine(script, row.source), row.expected);
    } else {
        EXPECT_EQ(run(row.replies, row.source), row.expected);
    }
    EXPECT_EQ(letters(), row.letters);
    EXPECT_EQ(sCommandSource(), row.sSource);
    EXPECT_EQ(controlRequests(), (std::vector<uint8_t>{kOpen, kClose}));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, PaperAndCommandReplies,
    ::testing::Values(
        PaperRow{"FB", FeederState::empty, {}, ScanOutcome{}, "SIX", "FB"},
        PaperRow{"AUTO", FeederState::loaded, {}, ScanOutcome{}, "DSIX", "ADF"},
        PaperRow{"AUTO", FeederState::empty, {}, ScanOutcome{}, "DSIX", "FB"},
        PaperRow{"ADF", FeederState::loaded, {}, ScanOutcome{}, "DSIX", "ADF"},
        PaperRow{
            "ADF", FeederState::empty, {}, ScanOutcome::failure(ScanCode::noPaperInADF), "D", ""},
        PaperRow{"ADF",
                 FeederState::unknown,
                 {},
                 ScanOutcome::failure(ScanCode::cannotChekPaperSource),
                 "D",
                 ""},
        PaperRow{"ADF",
                 FeederState::missing,
                 {},
                 ScanOutcome::failure(ScanCode::paperSourceNotExist),
                 "D",
                 ""},
        PaperRow{"ADF",
                 std::nullopt,
                 {.d = 0x00},
                 ScanOutcome::failure(ScanCode::unexpectError),
                 "D",
                 ""},
        PaperRow{"ADF",
                 std::nullopt,
                 {.s = 0xD0},
                 ScanOutcome::failure(ScanCode::paperSourceNotExist),
                 "DS",
                 "ADF"},
        PaperRow{"ADF",
                 std::nullopt,
                 {.s = 0xC2},
                 ScanOutcome::failure(ScanCode::unexpectError),
                 "DS",
                 "ADF"},
        PaperRow{"ADF",
                 std::nullopt,
                 {.i = 0x01},
                 ScanOutcome::failure(ScanCode::sndICommandError),
                 "DSI",
                 "ADF"},
        PaperRow{"ADF",
                 std::nullopt,
                 {.i = 0x80},
                 ScanOutcome::failure(ScanCode::sndICommandError),
                 "DSI",
                 "ADF"}));

TEST_F(UsbScanJob, OpenRepliesOtherThanReadyEndTheJobBeforeAnyCommand) {
    const std::vector<std::pair<Bytes, ScanCode>> rows{
        {{5, 0, 0, 0, 1}, ScanCode::scannerBusy},
        {{4, 0, 0, 0, 0}, ScanCode::unexpectError},
        {{5, 0, 0, 0, 2}, ScanCode::unexpectError},
    };
    for (const auto& [reply, expected] : rows) {
        scanner->setControlReply(kOpen, reply);
        EXPECT_EQ(run({}), ScanOutcome::failure(expected));
    }
    scanner->setControlStall(true);
    EXPECT_EQ(run({}), ScanOutcome::failure(ScanCode::openError));
    EXPECT_TRUE(scanner->writes().empty());
    EXPECT_EQ(scanner->claims(), 0);
}

TEST_F(UsbScanJob, VendorRequestsAnnounceAndTakeTheirWholeLength) {
    Bytes longReply = payloadOf(0x500, 9);
    longReply[0] = 5;
    longReply[4] = 0;
    scanner->setControlReply(kOpen, longReply);
    scanner->setControlReply(kClose, longReply);
    EXPECT_EQ(run({}), ScanOutcome{});
    for (const auto& control : scanner->controls()) {
        EXPECT_EQ(control.bmRequestType, 0xC0);
        EXPECT_EQ(control.wValue, 0x0002);
        EXPECT_EQ(control.wIndex, 0);
        EXPECT_EQ(control.wLength, 0x0500);
    }
}

TEST_F(UsbScanJob, ThreePagesThenFinished) {
    ScannerScript script;
    script.pages = 3;
    script.blockSize = 100;  // several data packets per page
    EXPECT_EQ(runEngine(script), (ScanOutcome{ScanCode::completed, 3, false, {}}));

    ASSERT_EQ(stored.size(), 3u);
    for (int page = 1; page <= 3; ++page) {
        const Bytes& data = stored[page - 1].second;
        EXPECT_EQ(stored[page - 1].first, page);
        ASSERT_GT(data.size(), 300u);
        // Each page arrives whole: a JPEG from its start to its end marker.
        EXPECT_EQ((Bytes{data[0], data[1]}), (Bytes{0xFF, 0xD8}));
        EXPECT_EQ((Bytes{data[data.size() - 2], data.back()}), (Bytes{0xFF, 0xD9}));
    }
    EXPECT_EQ(progress, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(controlRequests(), (std::vector<uint8_t>{kOpen, kClose}));
}

// Every way a job can break after the scanner was opened ends as an error that counts
// the stored pages, and the scanner is always closed.
TEST_F(UsbScanJob, BrokenJobsFailAndCloseTheScanner) {
    const Bytes page = pageTail(1, payloadOf(100, 3));
    struct Row {
        const char* what;
        std::vector<InUnit> afterX;
        ScanOutcome expected;
    };
    for (const Row& row : std::vector<Row>{
             {"paper jam after a page",
              {InUnit::data(page), InUnit::data({0xC3})},
              ScanOutcome::failure(ScanCode::paperJunck, 1)},
             {"unplugged in the middle of page 2",
              {InUnit::data(page), InUnit::data(pagePacket(2, payloadOf(100))), InUnit::gone()},
              ScanOutcome::failure(ScanCode::usbTransferImageError, 1)},
             {"silent after a page",
              {InUnit::data(page)},
              ScanOutcome::failure(ScanCode::usbTransferImageError, 1)},
             {"stall that cannot be cleared",
              {InUnit::stall()},
              ScanOutcome::failure(ScanCode::receiveImagesError)},
         }) {
        SCOPED_TRACE(row.what);
        Replies replies;
        replies.afterX = row.afterX;
        scanner->failClearHalt(row.afterX.back().kind == InUnit::Kind::stall);
        stored.clear();
        const size_t before = scanner->controls().size();
        EXPECT_EQ(run(replies), row.expected);
        EXPECT_EQ(scanner->controls().size(), before + 2);  // open, then close
        EXPECT_EQ(scanner->controls().back().bRequest, kClose);
    }
}

TEST_F(UsbScanJob, AStopEndsASilentJobAndClosesTheScanner) {
    Replies replies;
    replies.afterX = {InUnit::data(pageTail(1, payloadOf(100, 3)))};  // then silence
    scanner->setResponder(respond(replies));
    UsbScanProcess process(scannerOf(0x00AB), ScanCommand(jobParam("ADF")),
                           [](const ScanParam&, int, const Bytes&) {
                               return ResultPair{true, "ok"};
                           });  // the full page wait of 30 s
    std::stop_source stop;
    std::jthread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        stop.request_stop();
    });
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(process.start(stop.get_token()), ScanOutcome::failure(ScanCode::cancelled, 1));
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
    EXPECT_EQ(controlRequests(), (std::vector<uint8_t>{kOpen, kClose}));
}

TEST_F(UsbScanJob, FailingXWriteEndsTheJobWithoutReadingPages) {
    scanner->stallWrites(
        [](const Bytes& written) { return written.size() > 1 && written[1] == 'X'; });
    EXPECT_EQ(runEngine(ScannerScript{}), ScanOutcome::failure(ScanCode::sndXCommandError));
    EXPECT_TRUE(stored.empty());
    EXPECT_TRUE(scanner->inRequestSizes().size() <= 3u);  // the D, S and I replies only
    EXPECT_EQ(controlRequests(), (std::vector<uint8_t>{kOpen, kClose}));
}

TEST_F(UsbScanJob, FullDiskStopsTheJobAndKeepsTheStoredPages) {
    SmallDisk disk(32);  // room for a few of the 4 KiB pages a tmpfs gives each file
    if (!disk.ready()) {
        GTEST_SKIP() << "no small disk: " << disk.problem();
    }
    filePath = disk.path() + "/page";
    sink = [](const ScanParam& param, int pageNo, const Bytes& data) {
        return saveImages(param, pageNo, data);
    };
    ScannerScript script;
    script.pages = 20;
    const ScanOutcome outcome = runEngine(script);
    EXPECT_EQ(outcome.code, ScanCode::saveImageError);
    ASSERT_GT(outcome.pagesStored, 0);
    EXPECT_LT(outcome.pagesStored, 20);
    // The pages counted are whole files on the disk; the job stopped at the first failure.
    EXPECT_EQ(static_cast<int>(stored.size()), outcome.pagesStored + 1);
    for (int page = 1; page <= outcome.pagesStored; ++page) {
        const auto file = pageFileName(filePath, page, ".jpg");
        ASSERT_TRUE(readWholeFile(file)) << file;
        EXPECT_EQ(readWholeFile(file).value->back(), 0xD9);
    }
    EXPECT_EQ(controlRequests(), (std::vector<uint8_t>{kOpen, kClose}));
}

TEST_F(UsbScanJob, EveryPageReadOffersTheWholeBuffer) {
    Replies replies;
    // The tail packet is longer than the data packet before it.
    replies.afterX = {InUnit::data(pagePacket(1, payloadOf(4096))),
                      InUnit::data(pageTail(1, payloadOf(4106, 7))), InUnit::data({0x80})};
    EXPECT_EQ(run(replies), (ScanOutcome{ScanCode::completed, 1, false, {}}));
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0].second.size(), 4096u + 4106u);
    const auto rooms = scanner->inRequestSizes();
    EXPECT_EQ(std::count(rooms.begin(), rooms.end(), 40960u), 3);
}

TEST_F(UsbScanJob, OutEndpointListedFirstStillFindsBothPipes) {
    DeviceLayout layout;
    layout.product = 0x00AC;
    layout.interfaces = {{0, {{0x83, 3, 8}}}, {1, {{0x02}, {0x81}}}};
    scanner = &bed.attach(layout);
    EXPECT_EQ(run({}, "ADF", 0x00AC), ScanOutcome{});
    EXPECT_EQ(pipes, (PipeTable{{kWritePipe, 1}, {kReadPipe, 2}}));
    EXPECT_EQ(letters(), "DSIX");
}

TEST_F(UsbScanJob, MissingWritePipeFailsEveryCommandCleanly) {
    DeviceLayout layout;
    layout.product = 0x00AC;
    layout.interfaces = {{1, {{0x81}, {0x82}}}};  // two bulk-in endpoints
    scanner = &bed.attach(layout);
    EXPECT_EQ(run({}, "ADF", 0x00AC), ScanOutcome::failure(ScanCode::checkPaperSourceError));
    EXPECT_EQ(pipes, (PipeTable{{kReadPipe, 2}}));
    EXPECT_EQ(run({}, "FB", 0x00AC), ScanOutcome::failure(ScanCode::sndSCommandError));
    EXPECT_TRUE(scanner->writes().empty());
    EXPECT_EQ(controlRequests(), (std::vector<uint8_t>{kOpen, kClose, kOpen, kClose}));
}

TEST_F(UsbScanJob, NoUsableScannerSendsNothing) {
    // Nothing with these IDs, then a scanner without interface 1.
    EXPECT_EQ(run({}, "ADF", 0x00AC), ScanOutcome::failure(ScanCode::unexpectError));
    DeviceLayout layout;
    layout.product = 0x00AC;
    layout.interfaces = {{0, {{0x81}, {0x02}}}};
    scanner = &bed.attach(layout);
    EXPECT_EQ(run({}, "ADF", 0x00AC), ScanOutcome::failure(ScanCode::unexpectError));
    EXPECT_TRUE(scanner->controls().empty());
}

TEST_F(UsbScanJob, TwoIdenticalScannersUseTheFirstTheBusLists) {
    ScriptedScanner* first = scanner;
    ScriptedScanner* second = &bed.attach();
    // Which one libusb lists first decides.
    libusb_context* context = nullptr;
    ASSERT_EQ(libusb_init(&context), 0);
    libusb_device** list = nullptr;
    const ssize_t count = libusb_get_device_list(context, &list);
    ASSERT_EQ(count, 2);
    const int firstAddress = libusb_get_device_address(list[0]);
    libusb_free_device_list(list, 1);
    libusb_exit(context);
    ScriptedScanner* listedFirst =
        first->devnode().ends_with(std::to_string(firstAddress)) ? first : second;
    ScriptedScanner* listedSecond = listedFirst == first ? second : first;

    scanner = listedFirst;
    EXPECT_EQ(run({}), ScanOutcome{});
    EXPECT_EQ(listedFirst->controls().size(), 2u);
    EXPECT_TRUE(listedSecond->controls().empty());
}

TEST(UsbScanProcessWithoutBus, BusThatCannotStartFailsWithUnexpectError) {
    CapturedLines lines;
    UsbScanOptions options;
    options.bus = []() -> std::unique_ptr<UsbBus> { throw IOReturnError(kIOReturnNoResources); };
    UsbScanProcess process(scannerOf(0x00AB), ScanCommand(jobParam("ADF")), {}, options);
    EXPECT_EQ(process.start({}), ScanOutcome::failure(ScanCode::unexpectError));
    EXPECT_FALSE(process.closeScanner());
    EXPECT_EQ(process.sendXCommand(), ScanCode::sndXCommandError);
}

TEST(UsbDeviceLookup, AbsentProductIdThrowsNoDeviceInterface) {
    UsbTestbed bed;
    bed.attach();
    auto bus = openLibusbBus();
    try {
        UsbDevice::create(*bus, 0x356C, 0x00AC);
        FAIL() << "no error thrown";
    } catch (const UsbIOErrorException& error) {
        EXPECT_EQ(error.error(), UsbIOError::pluginHasNoUsbDeviceInterface);
    }
    auto device = UsbDevice::create(*bus, 0x356C, 0x00AB);
    EXPECT_EQ(device->getProductIdentifier(), 0x00AB);
    EXPECT_EQ(device->createInterface(0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF).size(), 2u);
    EXPECT_EQ(device->createInterface(0xFFFF, 0xFFFF, 0xFFFF, 0).size(), 2u);
    EXPECT_THROW(device->createInterface(0x07, 0xFFFF, 0xFFFF, 0xFFFF), UsbIOErrorException);
}

}  // namespace
}  // namespace scandesk
