// The page stream a scanner sends over TCP, as the communicator cuts it into pages.
#include "network/tcp_communicator.h"

#include <gtest/gtest.h>

#include <numeric>

#include "loopback_peer.h"

namespace scandesk {
namespace {

using std::chrono::milliseconds;
using Pages = std::vector<std::pair<int, Bytes>>;

Bytes operator+(Bytes left, const Bytes& right) {
    left.insert(left.end(), right.begin(), right.end());
    return left;
}

// `count` bytes counting up from `first`, so that misplaced bytes show.
Bytes pattern(size_t count, uint8_t first = 1) {
    Bytes bytes(count);
    std::iota(bytes.begin(), bytes.end(), first);
    return bytes;
}

// A data block: 12-byte header (type, page number at 3, length L at 10..11) and its data.
Bytes block(uint8_t type, const Bytes& data, uint8_t pageNo = 1) {
    const Bytes header{type,
                       0,
                       0,
                       pageNo,
                       0,
                       0,
                       0,
                       0,
                       0,
                       0,
                       static_cast<uint8_t>(data.size()),
                       static_cast<uint8_t>(data.size() >> 8)};
    return header + data;
}

const Bytes PAGE_END = Bytes{0x82} + Bytes(9, 0);
const Bytes END_OF_SCAN{0x80};

Bytes from(const Bytes& bytes, size_t first, size_t count = SIZE_MAX) {
    return {bytes.begin() + first, bytes.begin() + first + std::min(count, bytes.size() - first)};
}

struct StreamRow {
    const char* name;
    std::vector<Bytes> pieces;  ///< sent with a pause between them
    ScanCode code;
    Pages pages;               ///< handed to the sink, with their numbers
    bool silentAtEnd = false;  ///< the peer stays connected after the last piece
    bool stores = true;        ///< whether the sink manages to store a page
};

void PrintTo(const StreamRow& row, std::ostream* out) {
    *out << row.name;
}

class PageStream : public ::testing::TestWithParam<StreamRow> {};

TEST_P(PageStream, IsCutIntoPages) {
    const StreamRow& row = GetParam();
    // Longer than the grace period in which a lone byte where a header is due waits for
    // company before it counts as a status byte.
    const auto pause = testing::quickLimits().statusGrace * 2;
    testing::LoopbackPeer peer([&](int connection) {
        for (size_t i = 0; i < row.pieces.size(); ++i) {
            std::this_thread::sleep_for(i ? pause : milliseconds(0));
            testing::sendAll(connection, row.pieces[i]);
        }
        row.silentAtEnd ? testing::waitForClose(connection) : (void)::shutdown(connection, SHUT_WR);
    });
    TCPCommunicator communicator("127.0.0.1", peer.port(), testing::quickLimits());
    communicator.connect();
    Pages pages;
    std::vector<int> progress;
    ScanParam param;
    param.mode = "GRAY256";
    param.w = param.h = 100;
    const ScanOutcome outcome = communicator.receiveImages(
        param,
        [&](const ScanParam&, int pageNo, const Bytes& data) {
            pages.emplace_back(pageNo, data);
            return ResultPair{row.stores, ""};
        },
        [&](int pageNo) { progress.push_back(pageNo); });
    communicator.disconnect();
    EXPECT_EQ(outcome.code, row.code);
    EXPECT_EQ(pages, row.pages);
    // Only stored pages count and are reported.
    const size_t stored = row.stores ? pages.size() : 0;
    EXPECT_EQ(outcome.pagesStored, static_cast<int>(stored));
    EXPECT_EQ(progress.size(), stored);
}

const Bytes A = pattern(1010), B = pattern(500, 7), C = pattern(10, 50), D = pattern(7, 90);
const Bytes BIG = pattern(65535, 3);
using S = ScanCode;

INSTANTIATE_TEST_SUITE_P(
    Streams, PageStream,
    ::testing::Values(
        StreamRow{"two_pages_of_both_block_types",
                  {block(0x42, A) + PAGE_END + block(0x64, B, 2) + PAGE_END + END_OF_SCAN},
                  S::completed,
                  {{1, A}, {2, B}}},
        // A header unit is 22 bytes: blocks of ten fill it, shorter blocks leave the
        // next header's start in it.
        StreamRow{"blocks_of_ten_and_shorter_share_units",
                  {block(0x42, C) + block(0x64, D) + block(0x64, {}) + block(0x42, C) + PAGE_END +
                   END_OF_SCAN},
                  S::completed,
                  {{1, C + D + C}}},
        StreamRow{
            "largest_block_in_pieces",
            {from(block(0x42, BIG), 0, 30), from(block(0x42, BIG), 30) + PAGE_END + END_OF_SCAN},
            S::completed,
            {{1, BIG}}},
        StreamRow{"unit_of_unknown_type_dropped",
                  {Bytes(22, 0x11) + block(0x42, C) + PAGE_END + END_OF_SCAN},
                  S::completed,
                  {{1, C}}},
        // TCP may deliver a unit's first byte alone, its rest late: not a status byte.
        StreamRow{"lone_page_end_byte_waits",
                  {block(0x42, B) + Bytes{0x82}, from(PAGE_END, 1) + END_OF_SCAN},
                  S::completed,
                  {{1, B}}},
        StreamRow{"lone_block_byte_after_a_page_end_waits",
                  {block(0x42, B) + PAGE_END + Bytes{0x64},
                   from(block(0x64, A, 2), 1) + PAGE_END + END_OF_SCAN},
                  S::completed,
                  {{1, B}, {2, A}}},
        StreamRow{"lone_block_byte_at_a_unit_start_waits",
                  {block(0x64, A) + Bytes{0x42}, from(block(0x42, C), 1) + PAGE_END + END_OF_SCAN},
                  S::completed,
                  {{1, A + C}}},
        // A lone byte when the scanner closes the connection: the scan ended there.
        StreamRow{"unit_byte_then_closed",
                  {block(0x42, C) + PAGE_END + Bytes{0x42}},
                  S::completed,
                  {{1, C}}},
        StreamRow{"status_byte_after_a_page",
                  {block(0x42, C) + PAGE_END + Bytes{0xC3}},
                  S::paperJunck,
                  {{1, C}}},
        StreamRow{"lone_status_byte", {{0xC2}}, S::noPaperInADF, {}},
        StreamRow{"unknown_status_byte", {{0xFF}}, S::unknownScanStatus, {}},
        StreamRow{"page_that_cannot_be_stored_stops_the_transfer",
                  {block(0x42, C) + PAGE_END + block(0x42, D, 2) + PAGE_END + END_OF_SCAN},
                  S::saveImageError,
                  {{1, C}},
                  false,
                  false},
        StreamRow{"closed_inside_a_page",
                  {block(0x42, C) + PAGE_END + from(block(0x42, A), 0, 200)},
                  S::scannerNetworkError,
                  {{1, C}}},
        StreamRow{"silent_after_a_unit_byte", {{0x42}}, S::noBytesForOneMinute, {}, true},
        StreamRow{"silent_inside_a_block",
                  {block(0x42, C) + PAGE_END + from(block(0x42, A), 0, 100)},
                  S::noBytesForOneMinute,
                  {{1, C}},
                  true}),
    [](const auto& info) { return std::string(info.param.name); });

// A stream that grows a page far beyond its size is broken: no page, no endless memory.
TEST(PageStreamCap, APageFarBeyondItsSizeEndsTheTransfer) {
    testing::LoopbackPeer peer([](int connection) {
        const Bytes full = block(0x64, Bytes(65535, 0x55));
        for (int i = 0; i < 1000 && testing::sendAll(connection, full); ++i) {
        }
    });
    TCPCommunicator communicator("127.0.0.1", peer.port(), testing::quickLimits());
    communicator.connect();
    ScanParam tiny;
    tiny.mode = "GRAY256";
    tiny.w = tiny.h = 10;
    bool saved = false;
    const auto outcome = communicator.receiveImages(tiny, [&](auto&&...) {
        saved = true;
        return ResultPair{true, ""};
    });
    communicator.disconnect();
    EXPECT_EQ(outcome.code, ScanCode::scannerNetworkError);
    EXPECT_FALSE(saved);
}

}  // namespace
}  // namespace scandesk
