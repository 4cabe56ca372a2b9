// The page stream cut into pages, against scripted reads.
#include "usb/page_stream.h"

#include <gtest/gtest.h>

#include "protocol/scanner_replies.h"
#include "support/captured_lines.h"
#include "support/fake_interface_link.h"
#include "support/page_packets.h"
#include "usb/usb_error.h"

namespace scandesk {
namespace {

using testing::CapturedLines;
using testing::FakeInterfaceLink;
using testing::pagePacket;
using testing::pageTail;
using testing::payloadOf;
using Read = FakeInterfaceLink::Read;

class PageStream : public ::testing::Test {
  protected:
    PageStream() {
        auto owned = std::make_unique<FakeInterfaceLink>();
        link = owned.get();
        interface = std::make_unique<UsbInterface>(std::move(owned));
        param.w = 100;
        param.h = 10;
        param.mode = "GRAY256";
    }

    PageReadResult readPage() {
        return readImages(*interface, 1, param, expectedPage,
                          [this](const ScanParam&, int pageNo, const Bytes& data) {
                              saved.emplace_back(pageNo, data);
                              return ResultPair{sinkStores, sinkStores ? "ok" : "saveImageError"};
                          });
    }

    FakeInterfaceLink* link = nullptr;
    std::unique_ptr<UsbInterface> interface;
    ScanParam param;
    std::vector<std::pair<int, Bytes>> saved;
    bool sinkStores = true;
    int expectedPage = 1;
    CapturedLines lines;
};

Bytes joined(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

TEST_F(PageStream, ThreeDataPacketsAndATailMakeOnePage) {
    const Bytes a = payloadOf(4096, 1), b = payloadOf(4096, 2), c = payloadOf(4096, 3);
    const Bytes d = payloadOf(100, 4);
    expectedPage = 7;
    link->reads = {{success, pagePacket(7, a)},
                   {success, pagePacket(7, b)},
                   {success, pagePacket(7, c)},
                   {success, pageTail(7, d)}};
    EXPECT_EQ(readPage(), (PageReadResult{false, 7, ScanCode::completed}));
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_EQ(saved[0].first, 7);
    EXPECT_EQ(saved[0].second, joined({a, b, c, d}));
}

TEST_F(PageStream, PacketsOfOtherShapesAreIgnored) {
    const Bytes a = payloadOf(40), b = payloadOf(4106, 100);
    link->reads = {
        {success, pagePacket(1, a)},
        {success, pageTail(1, payloadOf(20), 0x81)},            // tail length, wrong marker
        {success, Bytes{1, 2, 3, 4, 5}},                        // short read: stale length field
        {success, joined({pagePacket(1, payloadOf(8)), {0}})},  // one byte too many
        {success, pageTail(1, b)},                              // longer than the one before
    };
    EXPECT_EQ(readPage(), (PageReadResult{false, 1, ScanCode::completed}));
    EXPECT_EQ(saved.at(0).second, joined({a, b}));
    EXPECT_EQ(link->readRooms, std::vector<uint32_t>(5, 40960));
}

TEST_F(PageStream, HowTheJobEnds) {
    const Read timeout{kIOReturnTimeout, {}};
    const Read ioError{kIOReturnIOError, {9, 9, 9}};
    const Read good{success, pagePacket(1, payloadOf(16))};
    struct Row {
        const char* what;
        std::vector<Read> reads;
        PageReadResult expected;
    };
    for (const Row& row : std::vector<Row>{
             {"finished", {good, {success, {0x80}}}, {true, 0, ScanCode::completed}},
             {"empty packet", {good, {success, {}}}, {true, 0, ScanCode::completed}},
             {"paper jam", {good, {success, {0xC3}}}, {true, 0, ScanCode::paperJunck}},
             {"empty feeder", {{success, {0xC2}}}, {true, 0, ScanCode::noPaperInADF}},
             {"unnamed status", {{success, {0x42}}}, {true, 0, ScanCode::unknownScanStatus}},
             // Silence is not an end: five time-outs fail the job.
             {"silence", {}, {true, 0, ScanCode::usbTransferImageError}},
             {"silence, then the end",
              {timeout, timeout, timeout, timeout, {success, {0x80}}},
              {true, 0, ScanCode::completed}},
             {"unplugged",
              {good, {kIOReturnNoDevice, {}}},
              {true, 0, ScanCode::usbTransferImageError}},
             // A page out of turn would overwrite page 2 or leave a gap.
             {"page out of turn",
              {{success, pageTail(2, payloadOf(10))}},
              {true, 2, ScanCode::usbTransferImageError}},
             {"far beyond its size",
              std::vector<Read>(420, {success, pagePacket(1, payloadOf(40948))}),
              {true, 0, ScanCode::usbTransferImageError}},
             // Failed reads add up across good packets.
             {"five errors",
              {ioError,
               good,
               ioError,
               good,
               ioError,
               good,
               ioError,
               good,
               ioError,
               {success, pageTail(1, {})}},
              {true, 0, ScanCode::usbTransferImageError}},
         }) {
        SCOPED_TRACE(row.what);
        link->reads.assign(row.reads.begin(), row.reads.end());
        EXPECT_EQ(readPage(), row.expected);
        EXPECT_TRUE(saved.empty());
    }
}

TEST_F(PageStream, APageThatCannotBeStoredEndsTheJob) {
    sinkStores = false;
    expectedPage = 4;
    link->reads = {{success, pageTail(4, payloadOf(10))}};
    EXPECT_EQ(readPage(), (PageReadResult{true, 4, ScanCode::saveImageError}));
}

TEST_F(PageStream, FailingStallClearLeavesAsAnError) {
    link->clearCode = kIOReturnNoDevice;
    link->reads = {{kIOUSBPipeStalled, {}}};
    EXPECT_THROW(readPage(), IOReturnError);
}

}  // namespace
}  // namespace scandesk
