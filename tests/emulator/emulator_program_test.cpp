// scandesk-emulator as a program: its options as the bytes a host receives over TCP, and
// the command-line errors.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <sstream>

#include "e2e/child_process.h"
#include "job_params.h"
#include "protocol/scan_command.h"

namespace scandesk::emulator {
namespace {

// Connects, sends `request` and reads `want` bytes, or what came within five seconds.
Bytes exchange(uint16_t port, const Bytes& request, size_t want) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    EXPECT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to), 0);
    EXPECT_EQ(write(fd, request.data(), request.size()), static_cast<ssize_t>(request.size()));
    const timeval limit{5, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    Bytes got(want);
    got.resize(static_cast<size_t>(std::max<ssize_t>(recv(fd, got.data(), want, MSG_WAITALL), 0)));
    close(fd);
    return got;
}

// The reply to D follows the feeder unless scripted; S and I take their scripted replies.
TEST(EmulatorProgram, OptionsShapeTheBytesAHostReceives) {
    const ScanCommand command(test::smallJob("TEXT"));
    const Bytes d = toBytes(command.getDCommand());
    struct Row {
        std::vector<std::string> options;
        Bytes request;
        Bytes reply;  // greeting first
    };
    for (const Row& r : {
             Row{{}, d, {'0', '0', '0', '1', 0x80}},
             Row{{"--feeder", "empty"}, d, {'0', '0', '0', '1', 0xC2}},
             Row{{"--feeder", "missing"}, d, {'0', '0', '0', '1', 0xD0}},
             Row{{"--greeting", "00\\xFF2", "--d-reply", "7"}, d, {'0', '0', 0xFF, '2', 7}},
             Row{{"--greeting", "", "--s-reply", "0xD0", "--i-reply", "200"},
                 toBytes(command.getSCommand() + command.getICommand()),
                 {0xD0, 200}},
         }) {
        const testing::VirtualScanner scanner(r.options);
        EXPECT_EQ(exchange(scanner.port(), r.request, r.reply.size()), r.reply);
    }
}

TEST(EmulatorProgram, HelpAndBadArguments) {
    for (const auto& [args, status, text] :
         {std::tuple{"--help", 0, "usage: scandesk-emulator"},
          {"--colour", 2, "scandesk-emulator: unknown option --colour\n"},
          {"--pages many", 2, "scandesk-emulator: bad value for --pages: \"many\"\n"},
          {"--greeting ab\\x4", 2, "scandesk-emulator: bad value for --greeting: \"ab\\x4\"\n"},
          // Discovery matches only the first catalogue: a model of the second is refused.
          {"--model Quillon_Q9", 2,
           "scandesk-emulator: --model: \"Quillon Q9\" is not a model discovery can match; it "
           "can claim: Tessel T3, Tessel T5\n"},
          {"--model Brisk_B4", 2, "scandesk-emulator: --model: \"Brisk B4\" is not a model"}}) {
        // "_" stands for a space inside one argument.
        std::vector<std::string> argv{SCANDESK_EMULATOR_PATH};
        for (std::istringstream in(args); in >> argv.emplace_back();) {
            std::replace(argv.back().begin(), argv.back().end(), '_', ' ');
        }
        argv.pop_back();
        const auto run = testing::runProgram(argv, "", std::chrono::seconds(10));
        EXPECT_EQ(run.status, status) << args;
        EXPECT_TRUE((run.out + run.err).starts_with(text)) << run.out << run.err;
    }
}

// The line that names the claimed model names the one asked for. The agent listens on
// every address, so it runs in a network namespace of its own until the time limit.
TEST(EmulatorProgram, AnnouncesTheModelItClaims) {
    const auto run = testing::runProgram({"unshare", "-n", SCANDESK_EMULATOR_PATH, "--port", "0",
                                          "--snmp", "--snmp-port", "16161", "--model", "Tessel T5"},
                                         "", std::chrono::seconds(1));
    if (run.err.starts_with("unshare:")) {
        GTEST_SKIP() << "no network namespace: " << run.err;
    }
    EXPECT_NE(run.out.find("\nscandesk-emulator answers SNMP on udp port 16161 as Tessel T5\n"),
              std::string::npos)
        << run.out << run.err;
}

}  // namespace
}  // namespace scandesk::emulator
