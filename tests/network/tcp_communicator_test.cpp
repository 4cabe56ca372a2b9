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
    Bytes header(12, 0);
    header[0] = type;
    header[3] = pageNo;
    header[10] = static_cast<uint8_t>(data.size());
    header[11] = static_cast<uint8_t>(data.size() >> 8);
    return header + data;
}

Bytes from(const Bytes& bytes, size_t first, size_t count = SIZE_MAX) {
    return {bytes.begin() + first, bytes.begin() + first + std::min(count, bytes.size() - first)};
}

const Bytes A = pattern(1010), B = pattern(500, 7), C = pattern(10, 50), D = pattern(7, 90);
const Bytes BIG = pattern(65535, 3);
const Bytes E = Bytes{0x82} + Bytes(9, 0);  // a page end
const Bytes END{0x80};                      // the end of the scan

struct StreamRow {
    const char* name;
    ScanCode code;
    Pages pages;                ///< handed to the sink, with their numbers
    std::vector<Bytes> pieces;  ///< sent with a pause between them
    bool silentAtEnd;           ///< the peer stays connected after the last piece
    bool stores;                ///< whether the sink manages to store a page
};

StreamRow row(const char* name, ScanCode code, Pages pages, std::vector<Bytes> pieces,
              bool silentAtEnd = false, bool stores = true) {
    return {name, code, std::move(pages), std::move(pieces), silentAtEnd, stores};
}

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

using S = ScanCode;

INSTANTIATE_TEST_SUITE_P(
    Streams, PageStream,
    ::testing::Values(
        row("two_pages_of_both_block_types", S::completed, {{1, A}, {2, B}},
            {block(0x42, A) + E + block(0x64, B, 2) + E + END}),
        // A header unit is 22 bytes: blocks of ten fill it, shorter blocks leave the
        // next header's start in it.
        row("blocks_of_ten_and_shorter_share_units", S::completed, {{1, C + D + C}},
            {block(0x42, C) + block(0x64, D) + block(0x64, {}) + block(0x42, C) + E + END}),
        row("largest_block_in_pieces", S::completed, {{1, BIG}},
            {from(block(0x42, BIG), 0, 30), from(block(0x42, BIG), 30) + E + END}),
        row("unit_of_unknown_type_dropped", S::completed, {{1, C}},
            {Bytes(22, 0x11) + block(0x42, C) + E + END}),
        // TCP may deliver a unit's first byte alone, its rest late: not a status byte.
        row("lone_page_end_byte_waits", S::completed, {{1, B}},
            {block(0x42, B) + Bytes{0x82}, from(E, 1) + END}),
        row("lone_block_byte_after_a_page_end_waits", S::completed, {{1, B}, {2, A}},
            {block(0x42, B) + E + Bytes{0x64}, from(block(0x64, A, 2), 1) + E + END}),
        row("lone_block_byte_at_a_unit_start_waits", S::completed, {{1, A + C}},
            {block(0x64, A) + Bytes{0x42}, from(block(0x42, C), 1) + E + END}),
        // A lone byte when the scanner closes the connection: the scan ended there.
        row("unit_byte_then_closed", S::completed, {{1, C}}, {block(0x42, C) + E + Bytes{0x42}}),
        row("status_byte_after_a_page", S::paperJunck, {{1, C}},
            {block(0x42, C) + E + Bytes{0xC3}}),
        row("lone_status_byte", S::noPaperInADF, {}, {Bytes{0xC2}}),
        row("page_that_cannot_be_stored_stops_the_transfer", S::saveImageError, {{1, C}},
            {block(0x42, C) + E + block(0x42, D, 2) + E + END}, false, false),
        row("closed_inside_a_page", S::scannerNetworkError, {{1, C}},
            {block(0x42, C) + E + from(block(0x42, A), 0, 200)}),
        row("silent_after_a_unit_byte", S::noBytesForOneMinute, {}, {Bytes{0x42}}, true)),
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
