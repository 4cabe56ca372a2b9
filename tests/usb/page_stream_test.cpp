// The page stream cut into pages, against scripted reads.
#include "usb/page_stream.h"

#include <gtest/gtest.h>

#include "support/fake_interface_link.h"
#include "support/page_packets.h"
#include "usb/usb_error.h"

namespace scandesk {
namespace {

using testing::FakeInterfaceLink;
using testing::pagePacket;
using testing::pageTail;
using testing::payloadOf;
using Read = FakeInterfaceLink::Read;

class PageStream : public ::testing::Test {
  protected:
    PageReadResult readPage() {
        return readImages(interface, 1, param, expectedPage,
                          [this](int pageNo, const Bytes& data) -> std::optional<std::string> {
                              saved.emplace_back(pageNo, data);
                              return sinkStores ? std::nullopt : std::optional("the disk is full");
                          });
    }

    FakeInterfaceLink* link = new FakeInterfaceLink;  // owned by `interface`
    UsbInterface interface { std::unique_ptr<UsbInterfaceLink>(link) };
    ScanParam param;  // no area: a page may grow to the slack of the size cap
    std::vector<std::pair<int, Bytes>> saved;
    bool sinkStores = true;
    int expectedPage = 1;
};

Bytes joined(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

TEST_F(PageStream, DataPacketsAndATailMakeOnePageAndOtherShapesAreIgnored) {
    const Bytes a = payloadOf(4096, 1), b = payloadOf(4096, 2), c = payloadOf(4106, 3);
    const Bytes second = pagePacket(7, b);
    expectedPage = 7;
    link->reads = {
        {success, pagePacket(7, a)},
        {success, pageTail(7, payloadOf(20), 0x81)},  // tail length, wrong marker
        {success, Bytes{1, 2, 3, 4, 5}},              // short read: stale length field
        // A read slice that times out midway delivers a piece; the next slice adds the rest.
        {kIOUSBTransactionTimeout, Bytes(second.begin(), second.begin() + 1000)},
        {success, Bytes(second.begin() + 1000, second.end())},
        {success, joined({pagePacket(7, payloadOf(8)), {0}})},  // one byte too many
        {success, pageTail(7, c)},  // longer than the one before: every read offers all room
    };
    EXPECT_EQ(readPage(), (PageReadResult{false, 7, ScanCode::completed}));
    EXPECT_EQ(saved, (std::vector<std::pair<int, Bytes>>{{7, joined({a, b, c})}}));
}

TEST_F(PageStream, HowTheJobEnds) {
    const Read timeout{kIOReturnTimeout, {}};
    const Read good{success, pagePacket(1, payloadOf(16))};
    // Failed reads add up across good packets: the fifth ends the job before the tail.
    std::vector<Read> flaky;
    for (int i = 0; i < 5; ++i) {
        flaky.insert(flaky.end(), {{kIOReturnIOError, {9, 9, 9}}, good});
    }
    flaky.push_back({success, pageTail(1, {})});
    struct Row {
        const char* what;
        std::vector<Read> reads;
        PageReadResult expected;
    };
    for (const Row& row : std::vector<Row>{
             {"finished", {good, {success, {0x80}}}, {true, 0, ScanCode::completed}},
             {"empty packet", {good, {success, {}}}, {true, 0, ScanCode::completed}},
             // Silence is not an end: five time-outs fail the job.
             {"silence", {}, {true, 0, ScanCode::usbTransferImageError}},
             {"four time-outs, then the end",
              {timeout, timeout, timeout, timeout, {success, {0x80}}},
              {true, 0, ScanCode::completed}},
             {"five failed reads", flaky, {true, 0, ScanCode::usbTransferImageError}},
             // A page out of turn would overwrite page 2 or leave a gap.
             {"page out of turn",
              {{success, pageTail(2, payloadOf(10))}},
              {true, 2, ScanCode::usbTransferImageError}},
             {"far beyond its size",
              std::vector<Read>(420, {success, pagePacket(1, payloadOf(40948))}),
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

}  // namespace
}  // namespace scandesk
