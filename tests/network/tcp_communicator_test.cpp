// The communicator against scripted loopback peers: framing, replies, failures.
#include "network/tcp_communicator.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "loopback_peer.h"
#include "network/page_stream_receiver.h"
#include "stream_bytes.h"
#include "support/captured_lines.h"

namespace scandesk {
namespace {

using testing::CapturedLines;
using testing::dataBlock;
using testing::LoopbackPeer;
using testing::pageEnd;
using testing::pattern;
using testing::PeerConnection;
using testing::prefix;
using testing::quickLimits;
using testing::operator+;

struct Received {
    std::vector<std::pair<int, Bytes>> pages;
    std::vector<int> progress;
    ScanOutcome result;
};

// A good end after `pages` stored pages.
ScanOutcome done(int pages) {
    return ScanOutcome{ScanCode::completed, pages, false, {}};
}

ScanParam grayParam(int64_t w = 100, int64_t h = 100) {
    ScanParam param;
    param.mode = "GRAY256";
    param.w = w;
    param.h = h;
    return param;
}

// Connects to a peer running `script`, receives the page stream and disconnects.
// `stores` says whether the sink manages to store the pages.
Received receiveFrom(LoopbackPeer::Script script, const ScanParam& param = grayParam(),
                     bool stores = true) {
    LoopbackPeer peer(std::move(script));
    TCPCommunicator communicator("127.0.0.1", peer.port(), quickLimits());
    communicator.connect();
    Received received;
    received.result = communicator.receiveImages(
        param,
        [&](const ScanParam&, int pageNo, const Bytes& data) {
            received.pages.emplace_back(pageNo, data);
            return ResultPair{stores, stores ? "saveSuccessfully" : "saveImageError"};
        },
        [&](int pageNo) { received.progress.push_back(pageNo); });
    communicator.disconnect();
    return received;
}

LoopbackPeer::Script sending(Bytes stream) {
    return [stream = std::move(stream)](PeerConnection& peer) {
        peer.send(stream);
        peer.waitForClose();
    };
}

std::vector<int> requestedReads(const CapturedLines& lines) {
    std::vector<int> requests;
    for (const auto& line : lines.lines()) {
        const auto at = line.find("and readLean = ");
        if (line.starts_with("receive image len = ") && at != std::string::npos) {
            requests.push_back(std::stoi(line.substr(at + 15)));
        }
    }
    return requests;
}

const Bytes kEndOfScan{0x80};

TEST(ReceiveImages, TwoPagesOfDifferentBlockTypes) {
    const Bytes first = pattern(1010), second = pattern(500, 7);
    const auto got = receiveFrom(sending(dataBlock(0x42, first) + pageEnd() +
                                         dataBlock(0x64, second, 2) + pageEnd() + kEndOfScan));
    EXPECT_EQ(got.result, done(2));
    ASSERT_EQ(got.pages.size(), 2u);
    EXPECT_EQ(got.pages[0], std::make_pair(1, first));
    EXPECT_EQ(got.pages[1], std::make_pair(2, second));
    EXPECT_EQ(got.progress, (std::vector<int>{1, 2}));
}

TEST(ReceiveImages, PageEndAndEndByteInPiecesOfFiveFiveOne) {
    const Bytes data = pattern(300);
    const auto got = receiveFrom([&](PeerConnection& peer) {
        peer.send(dataBlock(0x42, data));
        peer.pause(std::chrono::milliseconds(30));
        peer.sendPieces(pageEnd() + kEndOfScan, {5, 5, 1});
        peer.waitForClose();
    });
    EXPECT_EQ(got.result, done(1));
    ASSERT_EQ(got.pages.size(), 1u);
    EXPECT_EQ(got.pages[0].second, data);
}

// TCP may deliver a header's first byte alone; followed within the grace period it is
// the start of a header, not a status byte.
TEST(ReceiveImages, LoneFirstByteFollowedSoonBeginsAHeader) {
    const Bytes data = pattern(40);
    const auto got = receiveFrom([&](PeerConnection& peer) {
        peer.sendPieces(dataBlock(0x42, data) + pageEnd() + kEndOfScan, {1, 4, 17, 100},
                        std::chrono::milliseconds(25));
        peer.waitForClose();
    });
    EXPECT_EQ(got.result, done(1));
    ASSERT_EQ(got.pages.size(), 1u);
    EXPECT_EQ(got.pages[0].second, data);
}

TEST(ReceiveImages, BlocksOfTenStayInsideTheirUnits) {
    CapturedLines lines;
    const Bytes a = pattern(10), b = pattern(10, 50), c = pattern(10, 100);
    const auto got = receiveFrom(sending(dataBlock(0x42, a) + dataBlock(0x64, b) +
                                         dataBlock(0x64, c) + pageEnd() + kEndOfScan));
    EXPECT_EQ(got.result, done(1));
    ASSERT_EQ(got.pages.size(), 1u);
    EXPECT_EQ(got.pages[0].second, a + b + c);
    EXPECT_TRUE(requestedReads(lines).empty());
}

// Blocks shorter than 10 bytes end inside the 22-byte unit; the rest of the unit
// begins the next header.
TEST(ReceiveImages, BlocksShorterThanTenKeepTheFollowingHeader) {
    const Bytes a = pattern(4), b = pattern(7, 60), c = pattern(30, 90);
    const auto got = receiveFrom(sending(dataBlock(0x42, a) + dataBlock(0x64, b) + pageEnd() +
                                         dataBlock(0x42, c, 2) + dataBlock(0x64, {}, 2) +
                                         pageEnd() + kEndOfScan));
    EXPECT_EQ(got.result, done(2));
    ASSERT_EQ(got.pages.size(), 2u);
    EXPECT_EQ(got.pages[0].second, a + b);
    EXPECT_EQ(got.pages[1].second, c);
}

// L is 16 bits wide, so the largest remainder after the unit is 65525 bytes.
TEST(ReceiveImages, LongBlocksAreReadInChunksOfAtMost40960) {
    CapturedLines lines;
    const Bytes data = pattern(65535);
    const auto got = receiveFrom(sending(dataBlock(0x42, data) + pageEnd() + kEndOfScan));
    EXPECT_EQ(got.result, done(1));
    EXPECT_EQ(got.pages.at(0).second, data);
    const auto requests = requestedReads(lines);
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests.front(), 40960);
    // Each request is what is left of the block, capped at 40960; reads may deliver less.
    int remaining = 65525;
    for (const auto& line : lines.lines()) {
        if (!line.starts_with("receive image len = ")) {
            continue;
        }
        const int got = std::stoi(line.substr(20));
        const int asked = std::stoi(line.substr(line.find("readLean = ") + 11));
        EXPECT_EQ(asked, std::min(remaining, 40960));
        remaining -= got;
    }
    EXPECT_EQ(remaining, 0);
}

TEST(ReceiveImages, DataArrivingByteByByteIsCounted) {
    const Bytes data = pattern(13);
    const auto got = receiveFrom([&](PeerConnection& peer) {
        peer.sendPieces(dataBlock(0x42, data) + pageEnd() + kEndOfScan, {22, 1, 1, 1, 11},
                        std::chrono::milliseconds(15));
        peer.waitForClose();
    });
    EXPECT_EQ(got.result, done(1));
    EXPECT_EQ(got.pages.at(0).second, data);
}

TEST(ReceiveImages, UnitOfUnknownTypeIsDropped) {
    const Bytes data = pattern(20);
    const auto got =
        receiveFrom(sending(Bytes(22, 0x11) + dataBlock(0x42, data) + pageEnd() + kEndOfScan));
    EXPECT_EQ(got.result, done(1));
    EXPECT_EQ(got.pages.at(0).second, data);
}

TEST(ReceiveImages, LoneByteBeforeTheConnectionClosesEndsTheScanByItsMeaning) {
    const std::vector<std::pair<uint8_t, ScanOutcome>> rows{
        {0x80, done(0)},
        // A unit's first byte right before the close: the scan ended there.
        {0x42, done(0)},
        {0x64, done(0)},
        {0x82, done(0)},
        {0xC2, ScanOutcome::failure(ScanCode::noPaperInADF)},
        {0xE9, ScanOutcome::failure(ScanCode::pushOutPaperFailed)},
        {0xFF, ScanOutcome::failure(ScanCode::unknownScanStatus)},
    };
    for (const auto& [status, expected] : rows) {
        const auto got = receiveFrom([status](PeerConnection& peer) {
            peer.send({status});
            peer.close();
        });
        EXPECT_EQ(got.result.code, expected.code) << int(status);
        EXPECT_TRUE(got.pages.empty());
    }
}

// A unit's first byte is never a status byte while the connection stays open: a late
// rest of the page-end record (a lost segment on Wi-Fi) must not end the scan.
TEST(ReceiveImages, LateRestOfAUnitKeepsThePages) {
    const Bytes data = pattern(40);
    const Bytes block = dataBlock(0x42, data);
    const Bytes endOfPage = pageEnd();
    const Bytes rest(endOfPage.begin() + 1, endOfPage.end());
    struct Row {
        const char* where;
        Bytes first, second;  // sent with a pause twice the grace period between them
        int pages;
    };
    for (const Row& row : {
             Row{"one byte into a page end", block + Bytes{0x82}, rest + kEndOfScan, 1},
             Row{"one byte into the next block after a page end", block + endOfPage + Bytes{0x42},
                 Bytes(block.begin() + 1, block.end()) + endOfPage + kEndOfScan, 2},
         }) {
        const auto got = receiveFrom([&](PeerConnection& peer) {
            peer.send(row.first);
            peer.pause(quickLimits().statusGrace * 2);
            peer.send(row.second);
            peer.waitForClose();
        });
        EXPECT_EQ(got.result, done(row.pages)) << row.where;
        ASSERT_EQ(got.pages.size(), static_cast<size_t>(row.pages)) << row.where;
        EXPECT_EQ(got.pages.back().second, data) << row.where;
    }
}

TEST(ReceiveImages, APageThatCannotBeStoredStopsTheTransfer) {
    const auto got = receiveFrom(sending(dataBlock(0x42, pattern(64)) + pageEnd() +
                                         dataBlock(0x42, pattern(64)) + pageEnd() + kEndOfScan),
                                 grayParam(), false);
    EXPECT_EQ(got.result, ScanOutcome::failure(ScanCode::saveImageError, 0, "page 1"));
    EXPECT_EQ(got.pages.size(), 1u);
    EXPECT_TRUE(got.progress.empty());
}

TEST(ReceiveImages, StatusByteAfterAPageKeepsThePageAndReportsTheStatus) {
    const Bytes data = pattern(64);
    const auto got = receiveFrom(sending(dataBlock(0x42, data) + pageEnd() + Bytes{0xC3}));
    EXPECT_EQ(got.result.code, ScanCode::paperJunck);
    ASSERT_EQ(got.pages.size(), 1u);
    EXPECT_EQ(got.pages[0].second, data);
}

TEST(ReceiveImages, UnfinishedPageIsNotSavedWhenTheScanEnds) {
    const auto got = receiveFrom([&](PeerConnection& peer) {
        peer.send(dataBlock(0x42, pattern(30)));
        peer.pause(std::chrono::milliseconds(30));
        peer.send(kEndOfScan);
        peer.waitForClose();
    });
    EXPECT_EQ(got.result, done(0));
    EXPECT_TRUE(got.pages.empty());
}

struct SilenceCase {
    const char* where;
    Bytes before;
};

class Silence : public ::testing::TestWithParam<SilenceCase> {};

TEST_P(Silence, EndsWithNoBytesForOneMinute) {
    CapturedLines lines;
    const auto started = std::chrono::steady_clock::now();
    const auto got = receiveFrom([&](PeerConnection& peer) {
        peer.send(GetParam().before);
        peer.waitForClose();
    });
    EXPECT_EQ(got.result.code, ScanCode::noBytesForOneMinute) << GetParam().where;
    EXPECT_TRUE(lines.containsFragment("timeInterval is "));
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(3));
}

INSTANTIATE_TEST_SUITE_P(Places, Silence,
                         ::testing::Values(SilenceCase{"before the first byte", {}},
                                           SilenceCase{"inside a header", Bytes{0x42, 0, 0, 1, 0}},
                                           SilenceCase{"after a unit's first byte", Bytes{0x42}},
                                           SilenceCase{
                                               "inside a block's data",
                                               prefix(dataBlock(0x42, pattern(1000)), 100)}));

TEST(ReceiveImages, ConnectionDroppedMidPageKeepsEarlierPages) {
    const auto got = receiveFrom([&](PeerConnection& peer) {
        peer.send(dataBlock(0x42, pattern(50)) + pageEnd() +
                  prefix(dataBlock(0x64, pattern(500), 2), 200));
        peer.pause(std::chrono::milliseconds(30));
        peer.close();
    });
    EXPECT_EQ(got.result.code, ScanCode::scannerNetworkError);
    EXPECT_EQ(got.pages.size(), 1u);
}

TEST(ReceiveImages, PageFarBeyondItsSizeEndsTheTransfer) {
    CapturedLines lines;
    const ScanParam tiny = grayParam(10, 10);
    const size_t blocks = static_cast<size_t>(pageSizeLimit(100) / 65535 + 2);
    const auto got = receiveFrom(
        [&](PeerConnection& peer) {
            const Bytes block = dataBlock(0x64, Bytes(65535, 0x55));
            for (size_t i = 0; i < blocks && peer.send(block); ++i) {
            }
        },
        tiny);
    EXPECT_EQ(got.result.code, ScanCode::scannerNetworkError);
    EXPECT_TRUE(got.pages.empty());
    EXPECT_TRUE(lines.containsFragment("far beyond the expected 100"));
}

TEST(ReceiveImages, WithoutAConnectionFailsAtOnce) {
    TCPCommunicator communicator("127.0.0.1", testing::unusedLoopbackPort(), quickLimits());
    EXPECT_EQ(communicator.receiveImages(grayParam(), {}).code, ScanCode::scannerNetworkError);
}

TEST(ReceiveResponse, ReturnsThreeHundredBytesZeroFilled) {
    LoopbackPeer peer([](PeerConnection& p) {
        p.send({'0', '0', '0', '1'});
        p.waitForClose();
    });
    TCPCommunicator communicator("127.0.0.1", peer.port(), quickLimits());
    communicator.connect();
    const auto reply = communicator.receiveResponse();
    communicator.disconnect();
    ASSERT_TRUE(reply);
    ASSERT_EQ(reply->size(), 300u);
    EXPECT_EQ(Bytes(reply->begin(), reply->begin() + 4), (Bytes{'0', '0', '0', '1'}));
    EXPECT_TRUE(std::all_of(reply->begin() + 4, reply->end(), [](uint8_t b) { return b == 0; }));
}

TEST(ReceiveResponse, SilentPeerGivesNothingAfterTheReplyWait) {
    CapturedLines lines;
    LoopbackPeer peer([](PeerConnection& p) { p.waitForClose(); });
    TCPCommunicator communicator("127.0.0.1", peer.port(), quickLimits());
    communicator.connect();
    const auto started = std::chrono::steady_clock::now();
    EXPECT_FALSE(communicator.receiveResponse());
    EXPECT_GE(std::chrono::steady_clock::now() - started, quickLimits().replyTimeout);
    const auto all = lines.lines();
    const auto line = std::find_if(all.begin(), all.end(), [](const std::string& l) {
        return l.starts_with("timeInterval is ");
    });
    ASSERT_NE(line, all.end());
    EXPECT_GE(std::stod(line->substr(16)), 0.6);
    communicator.disconnect();
}

// A refused or closed connection ends the reply wait at once, even with the full
// 29-second limit.
TEST(ReceiveResponse, FailedConnectionGivesNothingAtOnce) {
    const auto started = std::chrono::steady_clock::now();
    TCPCommunicator refused("127.0.0.1", testing::unusedLoopbackPort());
    refused.connect();
    EXPECT_FALSE(refused.receiveResponse());

    LoopbackPeer peer([](PeerConnection& p) { p.close(); });
    TCPCommunicator closed("127.0.0.1", peer.port());
    closed.connect();
    EXPECT_FALSE(closed.receiveResponse());
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2));

    TCPCommunicator unresolvable("", kScannerPort);
    unresolvable.connect();
    EXPECT_FALSE(unresolvable.connected());
    EXPECT_FALSE(unresolvable.receiveResponse());
}

TEST(Write, ReachesThePeerOnlyWhileConnected) {
    Bytes heard;
    LoopbackPeer peer([&](PeerConnection& p) { heard = p.receive(5); });
    TCPCommunicator communicator("127.0.0.1", peer.port(), quickLimits());
    EXPECT_EQ(communicator.write(Bytes{1, 2, 3}), -1);
    communicator.connect();
    EXPECT_EQ(communicator.write(Bytes{0x1B, 'D', '\n', 'F', 'B'}), 5);
    peer.join();
    EXPECT_EQ(heard, (Bytes{0x1B, 'D', '\n', 'F', 'B'}));
    communicator.disconnect();
    EXPECT_FALSE(communicator.connected());
    EXPECT_EQ(communicator.write(Bytes{1}), -1);
}

}  // namespace
}  // namespace scandesk
