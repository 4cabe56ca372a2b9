// Discovery and identification against real agents in namespaces the test makes.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <sys/socket.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <fstream>
#include <thread>

#include "discovery/snmp_discovery.h"
#include "discovery/snmp_environment.h"
#include "discovery/snmp_probe.h"
#include "network/unique_fd.h"
#include "snmp_test_network.h"

namespace scandesk {
namespace {

using std::chrono::milliseconds;
using testing::NetworkLab;

// As the programs do first in main, while the process has one thread.
[[maybe_unused]] const bool kSnmpEnvironmentPrepared = (prepareSnmpEnvironment(), true);

const std::string T3_IDENTIFIER = "sysObjectID .1.3.6.1.4.1.53303.4.7.1.52";

// Skips when the machine cannot hold a lab; the tests assert that it was built whole.
class SnmpNetwork : public ::testing::Test {
  protected:
    void SetUp() override {
        if (lab.unavailable()) {
            GTEST_SKIP() << lab.failure();
        }
    }
    NetworkLab lab;
};

// Short library time-outs: a broadcast probe lasts about three of them (0.3 s by default).
SnmpDiscoveryOptions quickOptions(int retries, int timeoutMs = 100) {
    SnmpDiscoveryOptions options;
    options.timeout = milliseconds(timeoutMs);
    options.retries = retries;
    return options;
}

// UDP sockets open in the calling thread's network namespace: one per running probe.
int udpSockets() {
    std::ifstream table("/proc/thread-self/net/udp");
    return static_cast<int>(std::count(std::istreambuf_iterator<char>(table), {}, '\n')) - 1;
}

// A /24 with a second host interface on it, a /23 and a /16 whose agents lie outside the
// host address's /24 (the /23's is the virtual scanner): four interfaces, three scanners.
TEST_F(SnmpNetwork, DiscoveryFindsEachScannerOnceAsItAnswersWithEveryInterfaceProbedAtOnce) {
    const auto office = lab.addSubnet("192.0.2.1/24");
    lab.addHostInterface(office, "192.0.2.2/24");
    lab.addAgent(office, "192.0.2.11/24", {T3_IDENTIFIER});
    lab.startListening(lab.addPeer(lab.addSubnet("198.18.0.1/23"), "198.18.1.77/23"),
                       {SCANDESK_EMULATOR_PATH, "--bind", "0.0.0.0", "--snmp", "--model",
                        "Tessel T5", "--idle-timeout", "20"});
    lab.addAgent(lab.addSubnet("198.19.0.1/16"), "198.19.200.5/16", {T3_IDENTIFIER});
    ASSERT_EQ(lab.failure(), "");
    std::vector<Device> devices;
    std::vector<std::string> reported;
    int probesAtFirstReport = 0;
    ASSERT_EQ(lab.runInside([&] {
        devices = getDeviceBySNMP(quickOptions(2), [&](const Device& device) {
            reported.push_back(device.label);
            probesAtFirstReport = probesAtFirstReport ? probesAtFirstReport : udpSockets();
        });
    }),
              "");
    std::vector<std::string> labels;
    for (const auto& device : devices) {
        labels.push_back(device.label);
        EXPECT_EQ(device.transport, Transport::network);
    }
    EXPECT_EQ(labels, reported);
    std::ranges::sort(labels);
    EXPECT_EQ(labels, (std::vector<std::string>{"Tessel T3(192.0.2.11)", "Tessel T3(198.19.200.5)",
                                                "Tessel T5(198.18.1.77)"}));
    // Reported while every interface's probe was still open: in one run, not one by one.
    EXPECT_EQ(probesAtFirstReport, 4);
}

// A scanner that answers after the first quiet wait (the library's time-out) is still heard:
// a broadcast probe listens through all its quiet waits.
TEST_F(SnmpNetwork, AScannerThatAnswersAfterTheFirstQuietWaitIsFound) {
    lab.startListening(lab.addPeer(lab.addSubnet("192.0.2.1/24"), "192.0.2.30/24"),
                       {SCANDESK_EMULATOR_PATH, "--bind", "0.0.0.0", "--snmp", "--snmp-delay",
                        "300", "--idle-timeout", "20"});
    ASSERT_EQ(lab.failure(), "");
    std::vector<Device> devices;
    ASSERT_EQ(lab.runInside([&] { devices = getDeviceBySNMP(quickOptions(2, 200), {}); }), "");
    ASSERT_EQ(devices.size(), 1u);
    EXPECT_EQ(devices[0].label, "Tessel T3(192.0.2.30)");
}

// A silent "scanner" on the host side's own address hears every retransmission.
TEST_F(SnmpNetwork, AnAnsweredUnicastRequestEndsAtItsAnswerAndASilentAddressIsGivenUp) {
    lab.addAgent(lab.addSubnet("192.0.2.1/24"), "192.0.2.11/24", {T3_IDENTIFIER});
    ASSERT_EQ(lab.failure(), "");
    std::atomic<bool> answered{false};
    std::atomic<int> socketsAfterAnswer{-1};
    std::optional<Device> scanner;
    std::optional<Device> silent;
    std::optional<Device> notAnAddress;
    auto silentTime = milliseconds::max();
    ASSERT_EQ(lab.runInside([&] {
        const UniqueFd quiet(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
        sockaddr_in local{};
        local.sin_family = AF_INET;
        local.sin_port = htons(SNMP_AGENT_PORT);
        ASSERT_EQ(::bind(quiet.get(), reinterpret_cast<sockaddr*>(&local), sizeof local), 0);
        std::jthread listener([&] {
            char packet[1500];
            // A packet sent after the answer was read: the answered request's socket is gone.
            for (bool seen = false; ::recv(quiet.get(), packet, sizeof packet, 0) > 0;
                 seen = answered) {
                if (seen && socketsAfterAnswer < 0) {
                    socketsAfterAnswer = udpSockets();
                }
            }
        });
        AnswerCollector collector([&](const Device&) { answered = true; });
        const std::vector<const char*> ask{SNMP_SYS_OBJECT_ID_OID};
        const SnmpRequest requests[]{{"192.0.2.11", SnmpPeerKind::Unicast, ask},
                                     {"192.0.2.1", SnmpPeerKind::Unicast, ask}};
        runSnmpRequests(requests, quickOptions(4), collector);
        ::shutdown(quiet.get(), SHUT_RD);  // ends the listener; the address stays silent

        scanner = identifyScanner("192.0.2.11");
        notAnAddress = identifyScanner("udp:192.0.2.11");
        const auto start = std::chrono::steady_clock::now();
        silent = identifyScanner("192.0.2.1");
        silentTime =
            std::chrono::duration_cast<milliseconds>(std::chrono::steady_clock::now() - start);
    }),
              "");
    EXPECT_TRUE(answered);
    // The listener's socket and the silent request's; not the answered one's.
    EXPECT_EQ(socketsAfterAnswer, 2);
    ASSERT_TRUE(scanner.has_value());
    EXPECT_EQ(scanner->label, "Tessel T3(192.0.2.11)");
    EXPECT_FALSE(notAnAddress.has_value());
    EXPECT_FALSE(silent.has_value());
    EXPECT_LT(silentTime, milliseconds(3000));  // three waits of 0.5 s, not the run's limit
}

}  // namespace
}  // namespace scandesk
