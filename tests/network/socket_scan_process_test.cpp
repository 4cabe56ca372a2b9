// The network scan process against the virtual scanner: every reply, every greeting,
// the exact command bytes, and the pages that arrive.
#include "network/socket_scan_process.h"

#include <gtest/gtest.h>

#include <thread>

#include "emulator/job_params.h"
#include "emulator/page_image.h"
#include "loopback_peer.h"
#include "stream_bytes.h"
#include "support/captured_lines.h"
#include "virtual_scanner.h"

namespace scandesk {
namespace {

using emulator::FeederState;
using emulator::ScannerScript;
using testing::CapturedLines;
using testing::VirtualScanner;

ScanParam smallJob(const std::string& source, const std::string& mode = "GRAY256", int64_t w = 96,
                   int64_t h = 64) {
    return emulator::test::smallJob(mode, w, h, source);
}

// A good end after `pages` stored pages.
ScanOutcome done(int pages) {
    return ScanOutcome{ScanCode::completed, pages, false, {}};
}

Device networkScanner(uint16_t) {
    Device device;
    device.name = "virtual";
    device.type = "Net";
    device.ip = "127.0.0.1";
    return device;
}

struct Job {
    ScanOutcome result;
    std::vector<std::pair<int, Bytes>> pages;
    std::vector<int> progress;
    std::string finalSource;
    std::vector<std::string> commands;
    bool connectionClosed = false;
};

Job runJob(VirtualScanner& scanner, const ScanParam& param) {
    Job job;
    NetworkScanOptions options;
    options.port = scanner.port();
    options.limits = testing::quickLimits();
    options.progress = [&](int pageNo) { job.progress.push_back(pageNo); };
    SocketScanProcess process(
        networkScanner(scanner.port()), ScanCommand(param),
        [&](const ScanParam&, int pageNo, const Bytes& data) {
            job.pages.emplace_back(pageNo, data);
            return ResultPair{true, "saveSuccessfully"};
        },
        options);
    job.result = process.start({});
    job.finalSource = process.command().param.source;
    job.connectionClosed = scanner.finished(std::chrono::seconds(3));
    job.commands = scanner.loggedCommands();
    return job;
}

// The hex log lines of the commands a job sends, given the source after the paper check.
std::vector<std::string> expectedCommands(const ScanParam& param, const std::string& letters,
                                          const std::string& resolvedSource) {
    ScanParam resolved = param;
    resolved.source = resolvedSource;
    std::vector<std::string> lines;
    for (char letter : letters) {
        switch (letter) {
            case 'D':
                lines.push_back(emulator::hexLine(toBytes(ScanCommand(param).getDCommand())));
                break;
            case 'S':
                lines.push_back(emulator::hexLine(toBytes(ScanCommand(resolved).getSCommand())));
                break;
            case 'I':
                lines.push_back(emulator::hexLine(toBytes(ScanCommand(resolved).getICommand())));
                break;
            case 'X':
                lines.push_back(emulator::hexLine(ScanCommand(resolved).getXCommand()));
                break;
        }
    }
    return lines;
}

struct ReplyCase {
    const char* name;
    std::string source;
    std::optional<uint8_t> dReply;
    uint8_t sReply;
    uint8_t iReply;
    ScanOutcome expected;
    std::string finalSource;
    std::string letters;  // commands the scanner must have received, in order
};

class Replies : public ::testing::TestWithParam<ReplyCase> {};

TEST_P(Replies, DecideTheJobAndTheCommandsSent) {
    const ReplyCase& c = GetParam();
    ScannerScript script;
    script.paperReply = c.dReply;
    script.sourceReply = c.sReply;
    script.parametersReply = c.iReply;
    VirtualScanner scanner(script);
    const ScanParam param = smallJob(c.source);
    const Job job = runJob(scanner, param);
    EXPECT_EQ(job.result, c.expected);
    EXPECT_EQ(job.finalSource, c.finalSource);
    EXPECT_EQ(job.commands, expectedCommands(param, c.letters, c.finalSource));
    EXPECT_EQ(job.pages.size(), c.expected.succeeded() ? 1u : 0u);
    EXPECT_TRUE(job.connectionClosed);
}

INSTANTIATE_TEST_SUITE_P(
    Table, Replies,
    ::testing::Values(ReplyCase{"autoLoaded", "AUTO", 0x80, 0x80, 0x00, done(1), "ADF", "DSIX"},
                      ReplyCase{"autoEmpty", "AUTO", 0xC2, 0x80, 0x00, done(1), "FB", "DSIX"},
                      ReplyCase{"adfLoaded", "ADF", 0x80, 0x80, 0x00, done(1), "ADF", "DSIX"},
                      ReplyCase{"adfEmpty", "ADF", 0xC2, 0x80, 0x00,
                                ScanOutcome::failure(ScanCode::noPaperInADF), "ADF", "D"},
                      ReplyCase{"cannotCheck", "AUTO", 0xC4, 0x80, 0x00,
                                ScanOutcome::failure(ScanCode::cannotChekPaperSource), "AUTO", "D"},
                      ReplyCase{"noSource", "ADF", 0xD0, 0x80, 0x00,
                                ScanOutcome::failure(ScanCode::paperSourceNotExist), "ADF", "D"},
                      ReplyCase{"dZero", "AUTO", 0x00, 0x80, 0x00,
                                ScanOutcome::failure(ScanCode::unexpectError), "AUTO", "D"},
                      ReplyCase{"dOther", "ADF", 0x83, 0x80, 0x00,
                                ScanOutcome::failure(ScanCode::unexpectError), "ADF", "D"},
                      ReplyCase{"flatbed", "FB", 0xC2, 0x80, 0x00, done(1), "FB", "SIX"},
                      ReplyCase{"sNoSource", "FB", std::nullopt, 0xD0, 0x00,
                                ScanOutcome::failure(ScanCode::paperSourceNotExist), "FB", "S"},
                      ReplyCase{"sEmpty", "AUTO", 0x80, 0xC2, 0x00,
                                ScanOutcome::failure(ScanCode::unexpectError), "ADF", "DS"},
                      ReplyCase{"sZero", "FB", std::nullopt, 0x00, 0x00,
                                ScanOutcome::failure(ScanCode::unexpectError), "FB", "S"},
                      ReplyCase{"iError", "FB", std::nullopt, 0x80, 0xC3, done(1), "FB", "SIX"},
                      ReplyCase{"iFinished", "FB", std::nullopt, 0x80, 0x80, done(1), "FB", "SIX"}),
    [](const auto& info) { return std::string(info.param.name); });

struct GreetingCase {
    const char* name;
    Bytes greeting;
    ScanOutcome expected;
};

class Greetings : public ::testing::TestWithParam<GreetingCase> {};

TEST_P(Greetings, OnlyZeroZeroZeroOneOpensTheJob) {
    ScannerScript script;
    script.greeting = GetParam().greeting;
    VirtualScanner scanner(script);
    const Job job = runJob(scanner, smallJob("FB"));
    EXPECT_EQ(job.result, GetParam().expected);
    if (!GetParam().expected.succeeded()) {
        EXPECT_TRUE(job.commands.empty());
    }
    EXPECT_TRUE(job.connectionClosed);
}

INSTANTIATE_TEST_SUITE_P(
    Table, Greetings,
    ::testing::Values(
        GreetingCase{"expected", toBytes("0001"), done(1)},
        GreetingCase{"longer", toBytes("0001ok"), done(1)},
        GreetingCase{"otherNumber", toBytes("0002"),
                     ScanOutcome::failure(ScanCode::checkScannerError)},
        GreetingCase{"short", toBytes("01"), ScanOutcome::failure(ScanCode::checkScannerError)},
        GreetingCase{"notText", Bytes{0xFF, 0xFE, 0x00, 0x01},
                     ScanOutcome::failure(ScanCode::checkScannerError)},
        GreetingCase{"none", Bytes{}, ScanOutcome::failure(ScanCode::scannerNetworkError)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PageStream, EveryPageReachesTheSinkInOrder) {
    ScannerScript script;
    script.pages = 3;
    script.blockSize = 700;
    VirtualScanner scanner(script);
    const ScanParam param = smallJob("ADF", "CGRAY");
    const Job job = runJob(scanner, param);
    EXPECT_EQ(job.result, done(3));
    EXPECT_EQ(job.progress, (std::vector<int>{1, 2, 3}));
    const auto request = emulator::parseStartCommand(ScanCommand(param).getXCommand());
    ASSERT_TRUE(request);
    ASSERT_EQ(job.pages.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(job.pages[static_cast<size_t>(i)].first, i + 1);
        EXPECT_EQ(job.pages[static_cast<size_t>(i)].second, emulator::renderPage(*request, i + 1));
    }
}

// Headers and data in random small pieces and blocks shorter than the 22-byte unit:
// the pages still arrive whole.
TEST(PageStream, SplitStreamOfTinyBlocksArrivesWhole) {
    for (size_t blockSize : {3u, 10u, 64u}) {
        ScannerScript script;
        script.pages = 2;
        script.blockSize = blockSize;
        VirtualScanner scanner(script, /*split=*/true);
        const ScanParam param = smallJob("FB", "TEXT", 40, 12);
        const Job job = runJob(scanner, param);
        EXPECT_EQ(job.result, done(2)) << blockSize;
        const auto request = emulator::parseStartCommand(ScanCommand(param).getXCommand());
        ASSERT_EQ(job.pages.size(), 2u) << blockSize;
        EXPECT_EQ(job.pages[1].second, emulator::renderPage(*request, 2)) << blockSize;
    }
}

TEST(PageStream, FailureAfterAPageKeepsThatPage) {
    ScannerScript script;
    script.pages = 3;
    script.failAfterPages = 1;
    script.failStatus = 0xC3;
    VirtualScanner scanner(script);
    const Job job = runJob(scanner, smallJob("ADF", "TEXT"));
    EXPECT_EQ(job.result, ScanOutcome::failure(ScanCode::paperJunck, 1));
    EXPECT_EQ(job.pages.size(), 1u);
}

TEST(PageStream, SilentScannerEndsTheJobAfterThePageWait) {
    ScannerScript script;
    script.silentAfterUnits = 4;  // greeting, D, S and I replies
    VirtualScanner scanner(script);
    const Job job = runJob(scanner, smallJob("ADF"));
    EXPECT_EQ(job.result, ScanOutcome::failure(ScanCode::noBytesForOneMinute));
    EXPECT_EQ(job.commands.size(), 4u);
    EXPECT_TRUE(job.connectionClosed);
}

TEST(PageStream, AStopEndsASilentJobAtOnceAndClosesTheConnection) {
    ScannerScript script;
    script.silentAfterUnits = 4;  // greeting, D, S and I replies
    VirtualScanner scanner(script);
    NetworkScanOptions options;
    options.port = scanner.port();  // the full page wait of a minute
    SocketScanProcess process(networkScanner(options.port), ScanCommand(smallJob("ADF")), {},
                              options);
    std::stop_source stop;
    std::jthread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        stop.request_stop();
    });
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(process.start(stop.get_token()), ScanOutcome::failure(ScanCode::cancelled));
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
    EXPECT_TRUE(scanner.finished(std::chrono::seconds(3)));
}

TEST(Replies, SilenceAfterTheGreetingIsANetworkError) {
    ScannerScript script;
    script.silentAfterUnits = 1;
    VirtualScanner scanner(script);
    const Job job = runJob(scanner, smallJob("AUTO"));
    EXPECT_EQ(job.result, ScanOutcome::failure(ScanCode::scannerNetworkError));
    EXPECT_EQ(job.commands.size(), 1u);
}

// With the full default limits a refused connection still fails at once.
TEST(Connection, RefusedFailsAtOnceWithNetworkError) {
    const auto started = std::chrono::steady_clock::now();
    NetworkScanOptions options;
    options.port = testing::unusedLoopbackPort();
    SocketScanProcess process(networkScanner(options.port), ScanCommand(smallJob("AUTO")), {},
                              options);
    EXPECT_EQ(process.start({}), ScanOutcome::failure(ScanCode::scannerNetworkError));
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2));
}

TEST(Connection, EmptyAddressIsANetworkError) {
    Device device = networkScanner(0);
    device.ip = "";
    SocketScanProcess process(device, ScanCommand(smallJob("FB")), {});
    EXPECT_EQ(process.start({}), ScanOutcome::failure(ScanCode::scannerNetworkError));
}

}  // namespace
}  // namespace scandesk
