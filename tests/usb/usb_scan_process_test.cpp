// Whole USB jobs against a fake scanner at the link seam: open, paper check, commands,
// pages, close.
#include "usb/usb_scan_process.h"

#include <gtest/gtest.h>

#include <stop_token>

#include "imaging/page_files.h"
#include "imaging/save_images.h"
#include "support/fake_interface_link.h"
#include "support/page_packets.h"
#include "support/small_disk.h"
#include "usb/usb_error.h"

namespace scandesk {
namespace {

using Link = testing::FakeInterfaceLink;
using testing::pagePacket;
using testing::pageTail;
using testing::payloadOf;
using Read = Link::Read;

constexpr uint8_t kOpen = 0x01;
constexpr uint8_t kClose = 0x02;
constexpr size_t kPageBytes = 512;  // a 64 x 64 TEXT page

// The job's handle on a fake that the test keeps: dropping it is the interface's release.
class LentLink final : public UsbInterfaceLink {
  public:
    LentLink(Link& link, int& dropped) : link_(link), dropped_(dropped) {}
    ~LentLink() override { ++dropped_; }
    uint8_t interfaceNumber() override { return link_.interfaceNumber(); }
    IOReturn open() override { return link_.open(); }
    IOReturn close() override { return link_.close(); }
    IOReturn endpointCount(uint8_t& count) override { return link_.endpointCount(count); }
    std::optional<UsbPipeProperties> pipeProperties(uint8_t pipe) override {
        return link_.pipeProperties(pipe);
    }
    IOReturn pipeStatus(uint8_t pipe) override { return link_.pipeStatus(pipe); }
    IOReturn clearPipeStall(uint8_t pipe, bool both) override {
        return link_.clearPipeStall(pipe, both);
    }
    IOReturn resetPipe(uint8_t pipe) override { return link_.resetPipe(pipe); }
    IOReturn controlRequest(IOUSBDevRequestTO& request) override {
        return link_.controlRequest(request);
    }
    IOReturn writePipe(uint8_t pipe, const uint8_t* data, uint32_t size, uint32_t a,
                       uint32_t b) override {
        return link_.writePipe(pipe, data, size, a, b);
    }
    IOReturn readPipe(uint8_t pipe, uint8_t* data, uint32_t& size, uint32_t a,
                      uint32_t b) override {
        return link_.readPipe(pipe, data, size, a, b);
    }

  private:
    Link& link_;
    int& dropped_;
};

// A bus with one scanner, which is also the device it opens; its interfaces are lent.
class LentScanner final : public UsbBus, public UsbDeviceLink {
  public:
    LentScanner(Link& link, int& dropped) : link_(link), dropped_(dropped) {}
    std::vector<UsbDeviceIds> listDevices() override { return {}; }
    std::unique_ptr<UsbDeviceLink> openDevice(uint16_t, uint16_t) override {
        return std::make_unique<LentScanner>(link_, dropped_);
    }
    uint16_t vendorId() override { return kMakerVendorId; }
    uint16_t productId() override { return 0x00AB; }
    IOReturn interfaces(const IOUSBFindInterfaceRequest&,
                        std::vector<std::unique_ptr<UsbInterfaceLink>>& found) override {
        found.push_back(std::make_unique<LentLink>(link_, dropped_));
        return success;
    }

  private:
    Link& link_;
    int& dropped_;
};

// One job: the fake scanner, what the job stored, and how it left the scanner.
struct Job {
    explicit Job(const std::string& source = "ADF") {
        param.source = parseOption<ScanSource>(source).value();
        param.mode = ColorMode::blackWhite;
        param.w = param.h = 64;
    }

    ScanOutcome run(std::stop_token stop = {}) {
        UsbScanOptions options;
        options.progress = [this](int pageNo) { progress.push_back(pageNo); };
        options.bus = [this] { return std::make_unique<LentScanner>(link, dropped); };
        const PageSink recording = [this](int pageNo, const Bytes& data) {
            stored.emplace_back(pageNo, data);
            return sink ? sink(pageNo, data) : std::nullopt;
        };
        // The IDs do not matter: the bus has one scanner.
        return UsbScanProcess(Device{}, ScanCommand(param), recording, options).start(stop);
    }

    // The command letters in the order they reached the scanner, the S command's source
    // in brackets.
    std::string letters() const {
        std::string text;
        for (const auto& cmd : link.writes) {
            text += cmd[1] == 'S' ? "S(" + std::string(cmd.begin() + 3, cmd.end() - 3) + ")"
                                  : std::string(1, static_cast<char>(cmd[1]));
        }
        return text;
    }

    // Opened, then closed with the close request, and the interface let go.
    bool closedAndReleased() const {
        return link.controlRequests == std::vector<uint8_t>{kOpen, kClose} && dropped == 1;
    }

    ScanParam param;
    Link link;
    int dropped = 0;
    PageSink sink;  ///< after the recording; none: every page is stored
    std::vector<std::pair<int, Bytes>> stored;
    std::vector<int> progress;
};

// The D, S and I replies that let a job from the feeder go on, then the page stream.
std::deque<Read> accepted(const std::vector<Read>& stream) {
    std::deque<Read> reads{{success, {0x80}}, {success, {0x80}}, {success, {0x00}}};
    reads.insert(reads.end(), stream.begin(), stream.end());
    return reads;
}

// A scanner that is not ready, or no interface 1, ends the job before any command, and
// the interface is never claimed.
TEST(UsbJob, NotReadyOrWithoutInterfaceOneNothingIsSent) {
    using enum ScanCode;
    const auto reply = [](uint8_t valid, uint8_t state) {
        return [=](Link& l) { l.controlReply = {valid, 0, 0, 0, state}; };
    };
    const std::vector<std::tuple<const char*, std::function<void(Link&)>, ScanCode>> rows{
        {"busy", reply(5, 1), scannerBusy},
        {"unknown state", reply(5, 2), unexpectError},
        {"not a reply", reply(4, 0), unexpectError},
        {"open request stalls", [](Link& l) { l.controlCode = kIOUSBPipeStalled; }, openError},
        {"no interface 1", [](Link& l) { l.number = 0; }, unexpectError},
    };
    for (const auto& [what, setUp, code] : rows) {
        Job job;
        setUp(job.link);
        EXPECT_EQ(job.run(), ScanOutcome::failure(code)) << what;
        EXPECT_LE(job.link.controlRequests, std::vector<uint8_t>{kOpen}) << what;
        EXPECT_EQ(job.link.opens, 0);
        EXPECT_TRUE(job.link.writes.empty());
        EXPECT_EQ(job.dropped, 1);
    }
    // Without any bus: no close request and no X command either.
    UsbScanOptions options;
    options.bus = []() -> std::unique_ptr<UsbBus> { throw IOReturnError(kIOReturnNoResources); };
    UsbScanProcess process(Device{}, ScanCommand(Job().param), {}, options);
    EXPECT_EQ(process.start({}), ScanOutcome::failure(unexpectError));
    EXPECT_FALSE(process.closeScanner());
    EXPECT_EQ(process.sendXCommand(), sndXCommandError);
}

TEST(UsbJob, PaperAndCommandRepliesDecideTheJobAndTheScannerIsAlwaysClosed) {
    struct Row {
        std::string source;
        Bytes replies;  ///< one byte a read: the D, S and I replies and the end of the job
        ScanCode expected;
        std::string letters;
    };
    for (const Row& row : std::vector<Row>{
             {"FB", {0x80, 0, 0x80}, ScanCode::completed, "S(FB)IX"},
             {"AUTO", {0x80, 0x80, 0, 0x80}, ScanCode::completed, "DS(ADF)IX"},
             {"AUTO", {0xC2, 0x80, 0, 0x80}, ScanCode::completed, "DS(FB)IX"},
             {"ADF", {0xC2}, ScanCode::noPaperInADF, "D"},
             {"ADF", {}, ScanCode::checkPaperSourceError, "D"},
             {"ADF", {0x80, 0xD0}, ScanCode::paperSourceNotExist, "DS(ADF)"},
             {"ADF", {0x80, 0x80, 0x01}, ScanCode::sndICommandError, "DS(ADF)I"},
         }) {
        Job job(row.source);
        for (uint8_t reply : row.replies) {
            job.link.reads.push_back({success, {reply}});
        }
        EXPECT_EQ(job.run().code, row.expected) << row.letters;
        EXPECT_EQ(job.letters(), row.letters);
        EXPECT_TRUE(job.closedAndReleased()) << row.letters;
    }
}

TEST(UsbJob, ThreePagesThenFinished) {
    const Bytes a = payloadOf(300, 1), b = payloadOf(512, 2);
    Job job;
    job.link.reads = accepted({{success, pagePacket(1, a)},
                               {success, pageTail(1, {})},
                               {success, pageTail(2, b)},
                               {success, pageTail(3, a)},
                               {success, {0x80}}});
    EXPECT_EQ(job.run(), (ScanOutcome{ScanCode::completed, 3, false, {}, 0, {}}));
    EXPECT_EQ(job.stored, (std::vector<std::pair<int, Bytes>>{{1, a}, {2, b}, {3, a}}));
    EXPECT_EQ(job.progress, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(job.letters(), "DS(ADF)IX");
    EXPECT_TRUE(job.closedAndReleased());
}

// Every way a job can break after the scanner was opened ends as an error that counts
// the stored pages, and the scanner is closed and released.
TEST(UsbJob, BrokenJobsFailAndCloseTheScanner) {
    using enum ScanCode;
    const Read page1{success, pageTail(1, payloadOf(100))};
    const Read part2{success, pagePacket(2, payloadOf(9))}, end2{success, pageTail(2, {})};
    const Read gone{kIOReturnNoDevice, {}}, stall{kIOUSBPipeStalled, {}};
    const auto noClear = [](Link& l) { l.clearCode = kIOReturnNoDevice; };
    const auto noWritePipe = [](Link& l) { l.pipes[1] = l.pipes[0]; };
    const auto failX = [](Link& l) {
        l.onWrite = [](const auto& cmd) { return cmd[1] == 'X' ? kIOUSBPipeStalled : success; };
    };
    struct Row {
        const char* what;
        std::function<void(Link&)> setUp;
        std::vector<Read> stream;  ///< after the accepted commands
        ScanCode code;
        int pages = 0;
    };
    for (const Row& row : std::vector<Row>{
             {"paper jam after a page", {}, {page1, {success, {0xC3}}}, paperJunck, 1},
             // What comes after the unplugging is never read.
             {"unplugged during page 2", {}, {page1, part2, gone, end2}, usbTransferImageError, 1},
             // Time-outs without bytes are silence, not the end of the data.
             {"silent after a page", {}, {page1}, usbTransferImageError, 1},
             {"stall not cleared", noClear, {stall}, receiveImagesError},
             {"X command not taken", failX, {page1}, sndXCommandError},
             {"claiming throws", [](Link& l) { l.openThrows = true; }, {page1}, openError},
             {"no write pipe", noWritePipe, {page1}, checkPaperSourceError},
         }) {
        SCOPED_TRACE(row.what);
        Job job;
        if (row.setUp) {
            row.setUp(job.link);
        }
        job.link.reads = accepted(row.stream);
        EXPECT_EQ(job.run(), ScanOutcome::failure(row.code, row.pages));
        EXPECT_EQ(static_cast<int>(job.stored.size()), row.pages);
        EXPECT_TRUE(job.closedAndReleased());
    }
}

TEST(UsbJob, AStopEndsTheJobAsCancelledAndReleasesTheScanner) {
    // Asked during the command steps: the X command would start the scanner.
    Job early;
    std::stop_source stopEarly;
    early.link.reads = accepted({{success, pageTail(1, payloadOf(10))}});
    early.link.onWrite = [&](const std::vector<uint8_t>& written) {
        if (written[1] == 'S') {
            stopEarly.request_stop();
        }
        return success;
    };
    EXPECT_EQ(early.run(stopEarly.get_token()), ScanOutcome::failure(ScanCode::cancelled));
    EXPECT_EQ(early.letters(), "DS(ADF)");
    EXPECT_TRUE(early.stored.empty());
    EXPECT_TRUE(early.closedAndReleased());

    // Asked while the scanner is silent after page 1: noticed after one read slice (the
    // fake's time does not pass), not after the full page wait.
    Job late;
    std::stop_source stopLate;
    late.link.reads = accepted({{success, pageTail(1, payloadOf(10))}});
    late.link.onSilence = [&] { stopLate.request_stop(); };
    EXPECT_EQ(late.run(stopLate.get_token()), ScanOutcome::failure(ScanCode::cancelled, 1));
    EXPECT_EQ(late.link.readRooms.size(), 5u);  // D, S, I, page 1, one slice
    EXPECT_TRUE(late.closedAndReleased());

    // Asked while pages keep coming without a pause: the job ends after the page stored.
    Job streaming;
    std::stop_source stopStreaming;
    streaming.link.reads = accepted({});
    for (uint16_t page = 1; page <= 50; ++page) {
        streaming.link.reads.push_back({success, pageTail(page, payloadOf(10))});
    }
    streaming.sink = [&](int pageNo, const Bytes&) -> std::optional<std::string> {
        if (pageNo == 3) {
            stopStreaming.request_stop();
        }
        return std::nullopt;
    };
    EXPECT_EQ(streaming.run(stopStreaming.get_token()),
              ScanOutcome::failure(ScanCode::cancelled, 3));
    EXPECT_TRUE(streaming.closedAndReleased());
}

TEST(UsbJob, FullDiskFailsTheJobAndKeepsTheStoredPages) {
    testing::SmallDisk disk(32);  // room for a few of the 4 KiB blocks a tmpfs gives each file
    if (!disk.ready()) {
        GTEST_SKIP() << "no small disk: " << disk.problem();
    }
    Job job;
    const PageJob pages{disk.path() + "/page", 64, 64, 300, true, true, {}, {}};
    job.sink = [&pages](int pageNo, const Bytes& data) { return saveImages(pages, pageNo, data); };
    job.link.reads = accepted({});
    for (uint16_t page = 1; page <= 20; ++page) {
        job.link.reads.push_back({success, pageTail(page, payloadOf(kPageBytes, page))});
    }
    const ScanOutcome outcome = job.run();
    EXPECT_EQ(outcome.code, ScanCode::saveImageError);
    ASSERT_GT(outcome.pagesStored, 0);
    // The job stopped at the first page that failed; the pages before it are whole files.
    EXPECT_EQ(static_cast<int>(job.stored.size()), outcome.pagesStored + 1);
    for (int page = 1; page <= outcome.pagesStored; ++page) {
        const auto file = readWholeFile(pageFileName(pages.filePath, page, ".bmp"));
        ASSERT_TRUE(file) << page;
        EXPECT_EQ(file.value->size(), 62 + kPageBytes);
    }
    EXPECT_TRUE(job.closedAndReleased());
}

}  // namespace
}  // namespace scandesk
