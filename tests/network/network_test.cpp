// The network transport on loopback: the page stream cut into pages, and whole jobs
// against the virtual scanner, with every wait bounded.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>

#include <map>
#include <numeric>
#include <thread>

#include "emulator/job_params.h"
#include "network/socket_scan_process.h"
#include "network/stop_signal.h"
#include "network/tcp_communicator.h"
#include "network/unique_fd.h"
#include "virtual_scanner.h"

namespace scandesk {
namespace {

using emulator::ScannerScript;
using std::chrono::milliseconds;
using std::chrono::steady_clock;
using S = ScanCode;

/// Nothing waits more than a fraction of a second.
CommunicatorLimits quickLimits() {
    return {.settleDelay = milliseconds(1),
            .replyTimeout = milliseconds(600),
            .pageTimeout = milliseconds(600),
            .statusGrace = milliseconds(200)};
}

sockaddr_in loopbackAddress(uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

/// Listens on 127.0.0.1 with a system-chosen port and runs `script` with the first
/// connection (bounded wait) on its own thread; the destructor waits for the script.
class LoopbackPeer {
  public:
    explicit LoopbackPeer(std::function<void(int connection)> script, int backlog = 4)
        : listener_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
        sockaddr_in address = loopbackAddress(0);
        socklen_t length = sizeof address;
        auto* any = reinterpret_cast<sockaddr*>(&address);
        if (::bind(listener_.get(), any, length) != 0 || ::listen(listener_.get(), backlog) != 0 ||
            ::getsockname(listener_.get(), any, &length) != 0) {
            ADD_FAILURE() << "loopback peer cannot listen";
            return;
        }
        port_ = ntohs(address.sin_port);
        thread_ = std::jthread([this, script = std::move(script)] {
            pollfd entry{listener_.get(), POLLIN, 0};
            if (script && ::poll(&entry, 1, 5000) > 0) {
                const UniqueFd connection(
                    ::accept4(listener_.get(), nullptr, nullptr, SOCK_CLOEXEC));
                script(connection.get());
            }
        });
    }

    uint16_t port() const { return port_; }

  private:
    UniqueFd listener_;
    uint16_t port_ = 0;
    std::jthread thread_;
};

/// Sends all bytes (the socket blocks); false when the host has gone.
bool sendAll(int fd, const Bytes& bytes) {
    return ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL) == ssize_t(bytes.size());
}

/// Waits (at most 5 s) until the host closes the connection.
void waitForClose(int fd) {
    uint8_t buffer[4096];
    pollfd entry{fd, POLLIN, 0};
    while (::poll(&entry, 1, 5000) > 0 && ::recv(fd, buffer, sizeof buffer, 0) > 0) {
    }
}

using Pages = std::vector<std::pair<int, Bytes>>;

// Table rows print as their names, so that test names stay readable and stable.
template <class Row>
requires requires(const Row& row) {
    row.name;
}
void PrintTo(const Row& row, std::ostream* out) {
    *out << row.name;
}

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

class PageStream : public ::testing::TestWithParam<StreamRow> {};

TEST_P(PageStream, IsCutIntoPages) {
    const StreamRow& row = GetParam();
    // Longer than the grace period in which a lone byte where a header is due waits for
    // company before it counts as a status byte.
    const auto pause = quickLimits().statusGrace * 2;
    LoopbackPeer peer([&](int connection) {
        for (size_t i = 0; i < row.pieces.size(); ++i) {
            std::this_thread::sleep_for(i ? pause : milliseconds(0));
            sendAll(connection, row.pieces[i]);
        }
        row.silentAtEnd ? waitForClose(connection) : (void)::shutdown(connection, SHUT_WR);
    });
    TCPCommunicator communicator("127.0.0.1", peer.port(), quickLimits());
    communicator.connect();
    Pages pages;
    std::vector<int> progress;
    const ScanOutcome outcome = communicator.receiveImages(
        emulator::test::smallJob("GRAY256", 100, 100),
        [&](int pageNo, const Bytes& data) -> std::optional<std::string> {
            pages.emplace_back(pageNo, data);
            return row.stores ? std::nullopt : std::optional("the disk is full");
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
    LoopbackPeer peer([](int connection) {
        const Bytes full = block(0x64, Bytes(65535, 0x55));
        for (int i = 0; i < 1000 && sendAll(connection, full); ++i) {
        }
    });
    TCPCommunicator communicator("127.0.0.1", peer.port(), quickLimits());
    communicator.connect();
    bool stored = false;
    const auto outcome = communicator.receiveImages(emulator::test::smallJob("GRAY256", 10, 10), {},
                                                    [&](int) { stored = true; });
    EXPECT_EQ(outcome.code, ScanCode::scannerNetworkError);
    EXPECT_FALSE(stored);
}

// A scanner that streams without a pause never leaves the socket empty: a stop must still
// end the transfer, right after the page being stored when it came.
TEST(PageStreamStop, AStopEndsAStreamThatNeverPauses) {
    LoopbackPeer peer([](int connection) {
        Bytes pages;
        for (int i = 0; i < 50; ++i) {
            pages = pages + block(0x42, A) + E;
        }
        for (int i = 0; i < 100 && sendAll(connection, pages); ++i) {
        }
        sendAll(connection, END);
    });
    std::stop_source stop;
    const StopSignal signal(stop.get_token());
    TCPCommunicator communicator("127.0.0.1", peer.port(), quickLimits());
    communicator.connect();
    communicator.setStopDescriptor(signal.fd());
    int stored = 0;
    const ScanOutcome outcome =
        communicator.receiveImages(emulator::test::smallJob("GRAY256", 100, 100),
                                   [&](int, const Bytes&) -> std::optional<std::string> {
                                       if (++stored == 3) {
                                           stop.request_stop();
                                       }
                                       return std::nullopt;
                                   },
                                   {});
    EXPECT_EQ(outcome.code, ScanCode::cancelled);
    EXPECT_EQ(outcome.pagesStored, 3);
}

// A slow scanner's page is stored and shown once its end record is in, before the next unit.
TEST(PageStreamPace, APageIsStoredBeforeTheNextUnitIsSent) {
    std::promise<void> stored;
    LoopbackPeer peer([seen = stored.get_future().share()](int connection) {
        sendAll(connection, block(0x42, A) + E);
        if (seen.wait_for(std::chrono::seconds(4)) == std::future_status::ready) {
            sendAll(connection, END);
        }
    });
    TCPCommunicator communicator("127.0.0.1", peer.port(), quickLimits());
    communicator.connect();
    const auto outcome = communicator.receiveImages(emulator::test::smallJob("GRAY256", 100, 100),
                                                    {}, [&](int) { stored.set_value(); });
    EXPECT_EQ(outcome.code, ScanCode::completed);
}

Device networkScanner() {
    Device device;
    device.transport = Transport::network;
    device.ip = "127.0.0.1";
    return device;
}

struct JobRow {
    const char* name;
    std::string source;
    ScanCode code;
    std::string finalSource;
    std::string letters;  ///< the commands the scanner received, in order
    void (*setUp)(ScannerScript&);
};

JobRow job(
    const char* name, std::string source, ScanCode code, std::string finalSource,
    std::string letters, void (*setUp)(ScannerScript&) = [](ScannerScript&) {}) {
    return {name, std::move(source), code, std::move(finalSource), std::move(letters), setUp};
}

class Job : public ::testing::TestWithParam<JobRow> {};

TEST_P(Job, FollowsTheScannersReplies) {
    const JobRow& row = GetParam();
    ScannerScript script;
    row.setUp(script);
    testing::VirtualScanner scanner(script);
    const ScanParam param = emulator::test::smallJob("GRAY256", 96, 64, row.source);
    int pages = 0;
    SocketScanProcess process(networkScanner(), ScanCommand(param), {},
                              {scanner.port(), quickLimits(), [&](int) { ++pages; }});
    const ScanOutcome outcome = process.start({});
    EXPECT_EQ(outcome.code, row.code);
    EXPECT_EQ(outcome.pagesStored, pages);
    EXPECT_EQ(pages, script.failAfterPages.value_or(row.code == S::completed ? script.pages : 0));
    EXPECT_EQ(toText(process.command().param.source), row.finalSource);
    // The commands as the scanner logged them, after the paper check settled the source.
    ScanParam resolved = param;
    resolved.source = parseOption<ScanSource>(row.finalSource).value();
    const ScanCommand sent(resolved);
    const std::map<char, Bytes> commands{{'D', toBytes(ScanCommand(param).getDCommand())},
                                         {'S', toBytes(sent.getSCommand())},
                                         {'I', toBytes(sent.getICommand())},
                                         {'X', sent.getXCommand()}};
    std::vector<std::string> expected;
    for (const char letter : row.letters) {
        expected.push_back(emulator::hexLine(commands.at(letter)));
    }
    EXPECT_TRUE(scanner.finished(std::chrono::seconds(3)));  // the connection was closed
    EXPECT_EQ(scanner.loggedCommands(), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, Job,
    ::testing::Values(job("auto_with_paper_takes_the_feeder", "AUTO", S::completed, "ADF", "DSIX",
                          [](ScannerScript& s) { s.pages = 2; }),
                      job("auto_without_paper_takes_the_flatbed", "AUTO", S::completed, "FB",
                          "DSIX", [](ScannerScript& s) { s.paperReply = 0xC2; }),
                      job("flatbed_skips_the_paper_check", "FB", S::completed, "FB", "SIX"),
                      job("empty_feeder", "ADF", S::noPaperInADF, "ADF", "D",
                          [](ScannerScript& s) { s.paperReply = 0xC2; }),
                      job("wrong_greeting", "FB", S::checkScannerError, "FB", "",
                          [](ScannerScript& s) { s.greeting = toBytes("0002"); }),
                      job("silent_after_the_greeting", "AUTO", S::scannerNetworkError, "AUTO", "D",
                          [](ScannerScript& s) { s.silentAfterUnits = 1; }),
                      job("failure_after_a_page_keeps_it", "ADF", S::paperJunck, "ADF", "DSIX",
                          [](ScannerScript& s) { s.pages = 3, s.failAfterPages = 1; })),
    [](const auto& info) { return std::string(info.param.name); });

// With the full limits of a minute: a stop ends a silent job at once.
TEST(JobEnd, AStopEndsASilentJobAtOnceAndClosesTheConnection) {
    ScannerScript script;
    script.silentAfterUnits = 4;  // greeting, D, S and I replies
    testing::VirtualScanner scanner(script);
    SocketScanProcess process(networkScanner(), ScanCommand(emulator::test::smallJob("GRAY256")),
                              {}, {scanner.port(), CommunicatorLimits{}, {}});
    std::stop_source stop;
    std::jthread stopper([&] {
        std::this_thread::sleep_for(milliseconds(300));
        stop.request_stop();
    });
    const auto started = steady_clock::now();
    EXPECT_EQ(process.start(stop.get_token()).code, ScanCode::cancelled);
    EXPECT_LT(steady_clock::now() - started, std::chrono::seconds(5));
    EXPECT_TRUE(scanner.finished(std::chrono::seconds(3)));
}

// A scanner whose listening queue is full never completes the handshake: the job ends
// with a network error after the reply wait.
TEST(JobEnd, AConnectionThatIsNeverTakenTimesOut) {
    LoopbackPeer full(nullptr, 0);
    const UniqueFd queued(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    const sockaddr_in address = loopbackAddress(full.port());
    ASSERT_EQ(::connect(queued.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address),
              0);  // the one connection the queue holds
    SocketScanProcess process(networkScanner(), ScanCommand(emulator::test::smallJob("GRAY256")),
                              {}, {full.port(), quickLimits(), {}});
    const auto started = steady_clock::now();
    EXPECT_EQ(process.start({}).code, ScanCode::scannerNetworkError);
    EXPECT_LT(steady_clock::now() - started, milliseconds(2000));
}

}  // namespace
}  // namespace scandesk
