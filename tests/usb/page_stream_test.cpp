// The page stream cut into pages, against scripted reads.
#include "usb/page_stream.h"

#include <gtest/gtest.h>

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
        return readImages(*interface, 1, param,
                          [this](const ScanParam&, int pageNo, const Bytes& data) {
                              saved.emplace_back(pageNo, data);
                              return ResultPair{true, "ok"};
                          });
    }

    FakeInterfaceLink* link = nullptr;
    std::unique_ptr<UsbInterface> interface;
    ScanParam param;
    std::vector<std::pair<int, Bytes>> saved;
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
    link->reads = {{success, pagePacket(7, a)},
                   {success, pagePacket(7, b)},
                   {success, pagePacket(7, c)},
                   {success, pageTail(7, d)}};
    EXPECT_EQ(readPage(), (PageReadResult{false, 7, "finishOnePage"}));
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_EQ(saved[0].first, 7);
    EXPECT_EQ(saved[0].second.size(), 12388u);
    EXPECT_EQ(saved[0].second, joined({a, b, c, d}));
    EXPECT_TRUE(
        lines.contains("finished receive one page tail = [130, 1, 2, 3, 4, 5, 6, 7, 8, 9]"));
    EXPECT_TRUE(lines.contains("readBytes function. readlen=4108  and packet len = 4096"));
}

TEST_F(PageStream, TailWithoutPayloadEndsThePage) {
    const Bytes a = payloadOf(300);
    link->reads = {{success, pagePacket(2, a)}, {success, pageTail(2, {})}};
    EXPECT_EQ(readPage(), (PageReadResult{false, 2, "finishOnePage"}));
    EXPECT_EQ(saved.at(0).second, a);
}

TEST_F(PageStream, PacketsOfOtherShapesAreIgnored) {
    const Bytes a = payloadOf(40), b = payloadOf(30, 100);
    link->reads = {
        {success, pagePacket(1, a)},
        {success, pageTail(1, payloadOf(20), 0x81)},            // tail length, wrong marker
        {success, Bytes{1, 2, 3, 4, 5}},                        // short read: stale length field
        {success, joined({pagePacket(1, payloadOf(8)), {0}})},  // one byte too many
        {success, pageTail(1, b)},
    };
    EXPECT_EQ(readPage(), (PageReadResult{false, 1, "finishOnePage"}));
    EXPECT_EQ(saved.at(0).second, joined({a, b}));
}

TEST_F(PageStream, LoneBytesAndEmptyReadsEndTheJob) {
    const std::vector<std::pair<Read, PageReadResult>> rows{
        {{success, {0x80}}, {true, -1, "jobFinished"}},
        {{success, {0xC3}}, {true, -2, "paperJunck"}},
        {{success, {0xC2}}, {true, -2, "noPaperInADF"}},
        {{success, {0x42}}, {true, -2, "unknownScannerStatus"}},
        {{success, {}}, {true, -1, "finishedFunc"}},
    };
    for (const auto& [read, expected] : rows) {
        link->reads = {{success, pagePacket(1, payloadOf(10))}, read};
        EXPECT_EQ(readPage(), expected);
    }
    EXPECT_TRUE(saved.empty());
    EXPECT_TRUE(lines.contains("buffer[0]=128"));
    EXPECT_TRUE(lines.contains("unknown scanner status = 66"));
}

TEST_F(PageStream, FailedReadsAddUpAcrossGoodPacketsToFive) {
    const Read failed{kIOReturnIOError, {9, 9, 9}};
    const Read good{success, pagePacket(1, payloadOf(16))};
    link->reads = {failed, good,   failed, good,   failed,
                   good,   failed, good,   failed, {success, pageTail(1, {})}};
    EXPECT_EQ(readPage(), (PageReadResult{true, -2, "usbTransferImageError"}));
    EXPECT_EQ(link->clearStalls, 5);
    EXPECT_EQ(lines.count("read pipe ret = Optional(\"General I/O error\")"), 5u);
    EXPECT_TRUE(saved.empty());
}

TEST_F(PageStream, TimeoutWithoutDataClearsTheStallOnceAndEndsNormally) {
    EXPECT_EQ(readPage(), (PageReadResult{true, -1, "finishedFunc"}));
    EXPECT_EQ(link->clearStalls, 1);
    EXPECT_EQ(lines.count("read pipe other error "), 1u);
    EXPECT_EQ(lines.count("read pipe ret = Optional(\"Transaction timed out\")"), 1u);
}

TEST_F(PageStream, NamedFailuresAreLoggedWithoutClearingTheStall) {
    const std::vector<std::pair<IOReturn, std::string>> rows{
        {kIOReturnNoDevice, "no devices"},
        {kIOReturnAborted, "thread is interrupted before call complete"},
        {kIOReturnNotOpen, "the interface is not open for exclusive access"},
        {kIOReturnBadArgument, "timeout values are specified for an interrupt pipe"},
    };
    for (const auto& [code, line] : rows) {
        link->reads = {{code, {}}};
        EXPECT_EQ(readPage(), (PageReadResult{true, -1, "finishedFunc"}));
        EXPECT_TRUE(lines.contains(line)) << line;
    }
    EXPECT_EQ(link->clearStalls, 0);
}

TEST_F(PageStream, FailingStallClearLeavesAsAnError) {
    link->clearCode = kIOReturnNoDevice;
    link->reads = {{kIOUSBPipeStalled, {}}};
    EXPECT_THROW(readPage(), IOReturnError);
    EXPECT_TRUE(lines.contains(
        "error happened at func clearPipeStall-true  and error is: Optional(\"No such device\")"));
}

TEST_F(PageStream, PacketLongerThanTheOneBeforeIsReadWhole) {
    const Bytes a = payloadOf(4096), b = payloadOf(4106, 5);
    link->reads = {{success, pagePacket(3, a)}, {success, pageTail(3, b)}};
    EXPECT_EQ(readPage(), (PageReadResult{false, 3, "finishOnePage"}));
    EXPECT_EQ(saved.at(0).second, joined({a, b}));
    EXPECT_EQ(link->readRooms, (std::vector<uint32_t>{40960, 40960}));
}

TEST(PacketKinds, TellApartByLengthAlone) {
    Bytes buffer(64, 0);
    buffer[10] = 20;  // payload length
    buffer[12 + 20] = 0x82;
    EXPECT_EQ(classifyPacket(buffer, 32), PacketKind::data);
    EXPECT_EQ(classifyPacket(buffer, 42), PacketKind::tail);
    EXPECT_EQ(classifyPacket(buffer, 1), PacketKind::statusByte);
    EXPECT_EQ(classifyPacket(buffer, 0), PacketKind::endOfData);
    EXPECT_EQ(classifyPacket(buffer, 5), PacketKind::other);
    buffer[12 + 20] = 0x80;
    EXPECT_EQ(classifyPacket(buffer, 42), PacketKind::other);
}

}  // namespace
}  // namespace scandesk
