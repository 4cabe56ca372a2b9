// The network scan job against the virtual scanner: the replies decide the job and the
// commands sent; a stop or a dead address ends it without waiting out the limits.
#include "network/socket_scan_process.h"

#include <gtest/gtest.h>

#include <map>
#include <thread>

#include "emulator/job_params.h"
#include "loopback_peer.h"
#include "virtual_scanner.h"

namespace scandesk {
namespace {

using emulator::ScannerScript;
using std::chrono::milliseconds;
using std::chrono::steady_clock;

Device networkScanner() {
    Device device;
    device.type = "Net";
    device.ip = "127.0.0.1";
    return device;
}

struct JobRow {
    const char* name;
    std::string source;
    void (*setUp)(ScannerScript&);
    ScanCode code;
    std::string finalSource;
    std::string letters;  ///< the commands the scanner received, in order
};

void PrintTo(const JobRow& row, std::ostream* out) {
    *out << row.name;
}

using S = ScanCode;

class Job : public ::testing::TestWithParam<JobRow> {};

TEST_P(Job, FollowsTheScannersReplies) {
    const JobRow& row = GetParam();
    ScannerScript script;
    row.setUp(script);
    testing::VirtualScanner scanner(script);
    const ScanParam param = emulator::test::smallJob("GRAY256", 96, 64, row.source);
    int pages = 0;
    SocketScanProcess process(networkScanner(), ScanCommand(param), {},
                              {scanner.port(), testing::quickLimits(), [&](int) { ++pages; }});
    const ScanOutcome outcome = process.start({});
    EXPECT_EQ(outcome.code, row.code);
    EXPECT_EQ(outcome.pagesStored, pages);
    EXPECT_EQ(pages, script.failAfterPages.value_or(row.code == S::completed ? script.pages : 0));
    EXPECT_EQ(process.command().param.source, row.finalSource);
    // The commands as the scanner logged them, after the paper check settled the source.
    ScanParam resolved = param;
    resolved.source = row.finalSource;
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
    ::testing::Values(JobRow{"auto_with_paper_takes_the_feeder", "AUTO",
                             [](ScannerScript& s) { s.pages = 2; }, S::completed, "ADF", "DSIX"},
                      JobRow{"auto_without_paper_takes_the_flatbed", "AUTO",
                             [](ScannerScript& s) { s.paperReply = 0xC2; }, S::completed, "FB",
                             "DSIX"},
                      JobRow{"flatbed_skips_the_paper_check", "FB", [](ScannerScript&) {},
                             S::completed, "FB", "SIX"},
                      JobRow{"empty_feeder", "ADF", [](ScannerScript& s) { s.paperReply = 0xC2; },
                             S::noPaperInADF, "ADF", "D"},
                      JobRow{"wrong_greeting", "FB",
                             [](ScannerScript& s) { s.greeting = toBytes("0002"); },
                             S::checkScannerError, "FB", ""},
                      JobRow{"silent_after_the_greeting", "AUTO",
                             [](ScannerScript& s) { s.silentAfterUnits = 1; },
                             S::scannerNetworkError, "AUTO", "D"},
                      JobRow{"failure_after_a_page_keeps_it", "ADF",
                             [](ScannerScript& s) { s.pages = 3, s.failAfterPages = 1; },
                             S::paperJunck, "ADF", "DSIX"}),
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

// A refused connection fails at once; a listener whose queue is full never completes the
// handshake, and the job fails after the reply wait.
TEST(JobEnd, AnAddressThatDoesNotTakeTheConnectionIsANetworkError) {
    for (const bool queueFull : {false, true}) {
        std::optional<testing::LoopbackPeer> peer(std::in_place, nullptr, 0);
        const uint16_t port = peer->port();
        UniqueFd queued(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
        const sockaddr_in address = testing::loopbackAddress(port);
        if (queueFull) {
            ASSERT_EQ(::connect(queued.get(), reinterpret_cast<const sockaddr*>(&address),
                                sizeof address),
                      0);
        } else {
            peer.reset();
        }
        SocketScanProcess process(networkScanner(),
                                  ScanCommand(emulator::test::smallJob("GRAY256")), {},
                                  {port, testing::quickLimits(), {}});
        const auto started = steady_clock::now();
        EXPECT_EQ(process.start({}).code, ScanCode::scannerNetworkError) << queueFull;
        EXPECT_LT(steady_clock::now() - started, milliseconds(2000)) << queueFull;
    }
}

}  // namespace
}  // namespace scandesk
