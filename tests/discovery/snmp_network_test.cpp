// Discovery and identification against real agents in namespaces the test makes.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <thread>

#include "discovery/snmp_discovery.h"
#include "discovery/snmp_environment.h"
#include "snmp_test_network.h"

namespace scandesk {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;
using testing::NetworkLab;
using testing::runProgram;

// As the programs do first in main: the library's environment settled while the process
// has one thread (static initialisation runs before the test runner's main).
[[maybe_unused]] const bool kSnmpEnvironmentPrepared = (prepareSnmpEnvironment(), true);

// Short library time-outs keep one probe near 0.3 s while still retransmitting twice.
SnmpDiscoveryOptions fastOptions() {
    SnmpDiscoveryOptions options;
    options.timeout = milliseconds(100);
    options.retries = 2;
    return options;
}

const std::string T3_IDENTIFIER = "sysObjectID .1.3.6.1.4.1.53303.4.7.1.52";
const std::string T5_IDENTIFIER = "sysObjectID .1.3.6.1.4.1.53303.4.7.1.53";

// Skips when the machine cannot hold a lab; fails when the lab broke while being built.
#define REQUIRE_LAB(lab)                                                                     \
    do {                                                                                     \
        if ((lab).unavailable()) {                                                           \
            std::cerr << "SKIPPED discovery network test: " << (lab).failure() << std::endl; \
            GTEST_SKIP() << (lab).failure();                                                 \
        }                                                                                    \
        ASSERT_EQ((lab).failure(), "");                                                      \
    } while (false)

// Runs `work` inside the lab's host-side namespace, or skips loudly without sending
// anything when the thread could not be put there.
#define RUN_INSIDE(lab, work)                                                                     \
    do {                                                                                          \
        const std::string refusal = (lab).runInside(work);                                        \
        if (!refusal.empty()) {                                                                   \
            std::cerr << "SKIPPED: refusing to send discovery traffic: " << refusal << std::endl; \
            GTEST_SKIP() << "refusing to send discovery traffic: " << refusal;                    \
        }                                                                                         \
    } while (false)

// Two subnets: a T3, an unknown model, and agents answering sysObjectID with a string
// and an integer on the first; a T5 on the second.
void buildOffice(NetworkLab& lab) {
    const auto first = lab.addSubnet("192.0.2.1/24");
    const auto second = lab.addSubnet("198.51.100.1/24");
    lab.addAgent(first, "192.0.2.11/24", {T3_IDENTIFIER});
    lab.addAgent(first, "192.0.2.12/24", {"sysObjectID .1.3.6.1.4.1.53303.4.7.1.99"});
    lab.addAgent(first, "192.0.2.13/24",
                 {"override .1.3.6.1.2.1.1.2.0 octet_str "
                  "\"SNMPv2-SMI::enterprises.53303.4.7.1.52\""});
    lab.addAgent(first, "192.0.2.14/24", {"override .1.3.6.1.2.1.1.2.0 integer 53303"});
    lab.addAgent(second, "198.51.100.20/24", {T5_IDENTIFIER});
}

// The device of `devices` with this address, or null.
const Device* deviceAt(const std::vector<Device>& devices, const std::string& ip) {
    const auto found =
        std::find_if(devices.begin(), devices.end(), [&](const Device& d) { return d.ip == ip; });
    return found == devices.end() ? nullptr : &*found;
}

TEST(SnmpTestLab, RefusesToLetTheHostNamespaceSend) {
    NetworkLab lab;
    REQUIRE_LAB(lab);
    EXPECT_NE(lab.whyNotInside(), "");
    bool ran = false;
    EXPECT_EQ(lab.runInside([&] { ran = lab.whyNotInside().empty(); }), "");
    EXPECT_TRUE(ran);
}

// A discovery inside the lab, with the time each scanner was reported and the end.
struct TimedRun {
    std::vector<Device> devices;
    std::vector<std::pair<std::string, Clock::time_point>> reported;
    Clock::time_point end;
};

TimedRun timedDiscovery(const SnmpDiscoveryOptions& options) {
    TimedRun run;
    run.devices = getDeviceBySNMP(options, [&](const Device& device) {
        run.reported.emplace_back(device.label, Clock::now());
    });
    run.end = Clock::now();
    return run;
}

TEST(SnmpDiscoveryNetwork, FindsBothModelsAsTheyAnswerAndDropsEveryOtherAnswer) {
    NetworkLab lab;
    REQUIRE_LAB(lab);
    buildOffice(lab);
    REQUIRE_LAB(lab);
    TimedRun run;
    RUN_INSIDE(lab, [&] { run = timedDiscovery(fastOptions()); });

    ASSERT_EQ(run.devices.size(), 2u);
    const Device* t3 = deviceAt(run.devices, "192.0.2.11");
    const Device* t5 = deviceAt(run.devices, "198.51.100.20");
    ASSERT_NE(t3, nullptr);
    ASSERT_NE(t5, nullptr);
    EXPECT_EQ(t3->label, "Tessel T3(192.0.2.11)");
    EXPECT_EQ(t3->PID, 0x00AB);
    EXPECT_EQ(t5->label, "Tessel T5(198.51.100.20)");
    for (const Device* device : {t3, t5}) {
        EXPECT_EQ(device->type, "Net");
        EXPECT_EQ(device->VID, kMakerVendorId);
    }
    // Each scanner is reported once, while the probes still listen for late answers.
    ASSERT_EQ(run.reported.size(), 2u);
    for (const auto& [label, when] : run.reported) {
        EXPECT_LT(when + milliseconds(100), run.end) << label;
    }
}

TEST(SnmpDiscoveryNetwork, FindsAgentsOutsideTheInterfacesSlash24) {
    NetworkLab lab;
    REQUIRE_LAB(lab);
    const auto slash23 = lab.addSubnet("198.18.0.1/23");
    lab.addAgent(slash23, "198.18.1.77/23", {T3_IDENTIFIER});
    const auto slash16 = lab.addSubnet("198.19.0.1/16");
    lab.addAgent(slash16, "198.19.200.5/16", {T5_IDENTIFIER});
    REQUIRE_LAB(lab);
    std::vector<Device> devices;
    RUN_INSIDE(lab, [&] { devices = getDeviceBySNMP(fastOptions()); });
    ASSERT_EQ(devices.size(), 2u);
    EXPECT_NE(deviceAt(devices, "198.18.1.77"), nullptr);
    EXPECT_NE(deviceAt(devices, "198.19.200.5"), nullptr);
}

TEST(SnmpDiscoveryNetwork, AnAgentReachedThroughTwoInterfacesIsOneScanner) {
    NetworkLab lab;
    REQUIRE_LAB(lab);
    const auto subnet = lab.addSubnet("192.0.2.1/24");
    lab.addHostInterface(subnet, "192.0.2.2/24");
    lab.addAgent(subnet, "192.0.2.11/24", {T3_IDENTIFIER});
    REQUIRE_LAB(lab);
    std::vector<Device> devices;
    RUN_INSIDE(lab, [&] { devices = getDeviceBySNMP(fastOptions()); });
    ASSERT_EQ(devices.size(), 1u);
    EXPECT_EQ(devices[0].ip, "192.0.2.11");
}

TEST(SnmpDiscoveryNetwork, FourInterfacesAreProbedTogether) {
    NetworkLab lab;
    REQUIRE_LAB(lab);
    const std::vector<std::pair<std::string, std::string>> subnets{
        {"192.0.2.1/24", "192.0.2.40/24"},
        {"198.51.100.1/24", "198.51.100.40/24"},
        {"203.0.113.1/24", "203.0.113.40/24"},
        {"198.18.4.1/23", "198.18.5.40/23"},
    };
    for (const auto& [host, agent] : subnets) {
        lab.addAgent(lab.addSubnet(host), agent, {T5_IDENTIFIER});
    }
    REQUIRE_LAB(lab);
    // The library's own time-outs: probed one after another this would take 12 s.
    SnmpDiscoveryOptions options;
    std::vector<Device> devices;
    const auto start = Clock::now();
    RUN_INSIDE(lab, [&] { devices = getDeviceBySNMP(options); });
    const auto elapsed = Clock::now() - start;
    EXPECT_EQ(devices.size(), subnets.size());
    EXPECT_LT(elapsed, milliseconds(6000));
}

TEST(SnmpDiscoveryNetwork, IdentifiesOneScannerByUnicast) {
    NetworkLab lab;
    REQUIRE_LAB(lab);
    buildOffice(lab);
    REQUIRE_LAB(lab);
    struct Row {
        std::string ip;
        std::optional<std::string> label;
    };
    const std::vector<Row> rows{
        {"192.0.2.11", "Tessel T3(192.0.2.11)"},
        {"198.51.100.20", "Tessel T5(198.51.100.20)"},
        {"192.0.2.12", std::nullopt},      // unknown model
        {"192.0.2.13", std::nullopt},      // identifier sent as a string
        {"192.0.2.14", std::nullopt},      // identifier sent as an integer
        {"192.0.2.255", std::nullopt},     // a broadcast address is not a scanner
        {"udp:192.0.2.11", std::nullopt},  // not a dotted address
        {"192.0.2.11:161", std::nullopt},  // not a dotted address
    };
    std::vector<std::optional<Device>> found;
    RUN_INSIDE(lab, [&] {
        for (const auto& row : rows) {
            found.push_back(identifyScanner(row.ip, fastOptions()));
        }
    });
    ASSERT_EQ(found.size(), rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(rows[i].ip);
        ASSERT_EQ(found[i].has_value(), rows[i].label.has_value());
        if (rows[i].label) {
            EXPECT_EQ(found[i]->label, *rows[i].label);
            EXPECT_EQ(found[i]->ip, rows[i].ip);
            EXPECT_EQ(found[i]->type, "Net");
        }
    }
}

TEST(SnmpDiscoveryNetwork, IdentificationGivesUpOnASilentAddressWithinItsBound) {
    NetworkLab lab;
    REQUIRE_LAB(lab);
    const auto subnet = lab.addSubnet("192.0.2.1/24");
    lab.addPeer(subnet, "192.0.2.99/24");  // a host without an agent
    REQUIRE_LAB(lab);
    std::optional<Device> found;
    Clock::duration silent{};
    RUN_INSIDE(lab, [&] {
        const auto start = Clock::now();
        found = identifyScanner("192.0.2.99");
        silent = Clock::now() - start;
    });
    EXPECT_FALSE(found.has_value());
    EXPECT_LT(silent, milliseconds(2000));
}

TEST(SnmpDiscoveryNetwork, OverlappingRunsTakeTurns) {
    NetworkLab lab;
    REQUIRE_LAB(lab);
    buildOffice(lab);
    REQUIRE_LAB(lab);
    std::vector<Device> first;
    std::vector<Device> second;
    std::atomic<int> refusals{0};
    RUN_INSIDE(lab, [&] {
        // Threads made here start in the same namespace; each checks again anyway.
        const auto search = [&](std::vector<Device>& into) {
            if (lab.whyNotInside().empty()) {
                into = getDeviceBySNMP(fastOptions());
            } else {
                ++refusals;
            }
        };
        std::thread a(search, std::ref(first));
        std::thread b(search, std::ref(second));
        a.join();
        b.join();
    });
    ASSERT_EQ(refusals, 0);
    EXPECT_EQ(first.size(), 2u);
    EXPECT_EQ(second.size(), 2u);
}

TEST(SnmpDiscoveryNetwork, LoopbackOnlyProbesNothing) {
    NetworkLab lab;
    REQUIRE_LAB(lab);
    std::vector<Device> devices{Device{}};
    RUN_INSIDE(lab, [&] { devices = getDeviceBySNMP(fastOptions()); });
    EXPECT_TRUE(devices.empty());
}

TEST(SnmpDiscoveryNetwork, ATargetThatCannotBeOpenedLeavesTheOthersProbed) {
    NetworkLab lab;
    REQUIRE_LAB(lab);
    lab.addAgent(lab.addSubnet("192.0.2.1/24"), "192.0.2.11/24", {T3_IDENTIFIER});
    REQUIRE_LAB(lab);
    std::vector<Device> devices;
    RUN_INSIDE(lab, [&] {
        devices = discoverScanners(
            {{"bad", "999.1.1.1", "999.1.1.255"}, {"br1", "192.0.2.1", "192.0.2.255"}},
            fastOptions());
    });
    ASSERT_EQ(devices.size(), 1u);
    EXPECT_EQ(devices[0].ip, "192.0.2.11");
}

TEST(SnmpDiscoveryNetwork, AgentPortCanBeMoved) {
    NetworkLab lab;
    REQUIRE_LAB(lab);
    const auto subnet = lab.addSubnet("192.0.2.1/24");
    lab.addAgent(subnet, "192.0.2.11/24", {T3_IDENTIFIER});
    lab.addAgent(subnet, "192.0.2.12/24", {T5_IDENTIFIER}, 1161);
    REQUIRE_LAB(lab);
    auto options = fastOptions();
    options.agentPort = 1161;
    std::vector<Device> devices;
    std::optional<Device> direct;
    RUN_INSIDE(lab, [&] {
        devices = getDeviceBySNMP(options);
        direct = identifyScanner("192.0.2.12", options);
    });
    ASSERT_EQ(devices.size(), 1u);
    EXPECT_EQ(devices[0].label, "Tessel T5(192.0.2.12)");
    ASSERT_TRUE(direct.has_value());
    EXPECT_EQ(direct->name, "Tessel T5");
}

// Waits up to `limit` for `text` to appear in the file.
bool waitForText(const std::filesystem::path& file, const std::string& text, milliseconds limit) {
    const auto end = Clock::now() + limit;
    while (Clock::now() < end) {
        std::ifstream in(file);
        const std::string content((std::istreambuf_iterator<char>(in)),
                                  std::istreambuf_iterator<char>());
        if (content.find(text) != std::string::npos) {
            return true;
        }
        std::this_thread::sleep_for(milliseconds(20));
    }
    return false;
}

TEST(SnmpDiscoveryNetwork, TheVirtualScannerIsFoundIdentifiedAndScanned) {
    NetworkLab lab;
    REQUIRE_LAB(lab);
    const auto subnet = lab.addSubnet("203.0.113.1/24");
    const auto scannerHost = lab.addPeer(subnet, "203.0.113.30/24");
    REQUIRE_LAB(lab);
    const auto work = std::filesystem::temp_directory_path() /
                      ("scandesk-snmp-emulator-" + std::to_string(::getpid()));
    std::filesystem::create_directories(work / "scans");
    const auto log = work / "emulator.log";
    lab.startProgram(scannerHost,
                     {SCANDESK_EMULATOR_PATH, "--bind", "0.0.0.0", "--snmp", "--model", "Tessel T5",
                      "--idle-timeout", "20"},
                     log);
    ASSERT_TRUE(waitForText(log, "answers SNMP", milliseconds(5000)));

    std::vector<Device> found;
    std::optional<Device> identified;
    int scanned = -1;
    std::string why;
    RUN_INSIDE(lab, [&] {
        found = getDeviceBySNMP(fastOptions());
        identified = identifyScanner("203.0.113.30");
        // The command line identifies the scanner by address itself, then scans.
        scanned = runProgram({SCANDESK_CLI_PATH, "scan", "--net", "203.0.113.30", "--format", "pdf",
                              "--dir", (work / "scans").string(), "--yes"},
                             why)
                      ? 0
                      : 1;
    });
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].label, "Tessel T5(203.0.113.30)");
    ASSERT_TRUE(identified.has_value());
    EXPECT_EQ(identified->name, "Tessel T5");
    EXPECT_EQ(scanned, 0) << why;
    size_t pdfs = 0;
    for (const auto& entry : std::filesystem::directory_iterator(work / "scans")) {
        pdfs += entry.path().extension() == ".pdf" ? 1 : 0;
    }
    EXPECT_EQ(pdfs, 1u);
    std::error_code ignored;
    std::filesystem::remove_all(work, ignored);
}

// Answers the first packet on the SNMP port with a stream of junk until told to stop.
void floodTheFirstAsker(const std::atomic<bool>& stop, milliseconds lifetime) {
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ASSERT_GE(fd, 0);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(SNMP_AGENT_PORT);
    timeval receiveLimit{2, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &receiveLimit, sizeof receiveLimit);
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local), 0);
    char packet[1500];
    sockaddr_in asker{};
    socklen_t askerLength = sizeof asker;
    if (::recvfrom(fd, packet, sizeof packet, 0, reinterpret_cast<sockaddr*>(&asker),
                   &askerLength) > 0) {
        const auto end = std::chrono::steady_clock::now() + lifetime;
        const char junk[] = "not an snmp message";
        while (!stop && std::chrono::steady_clock::now() < end) {
            ::sendto(fd, junk, sizeof junk, 0, reinterpret_cast<sockaddr*>(&asker), askerLength);
            std::this_thread::sleep_for(milliseconds(20));
        }
    }
    ::close(fd);
}

TEST(SnmpDiscoveryNetwork, ProbeTimeLimitEndsAFloodedProbe) {
    NetworkLab lab;
    REQUIRE_LAB(lab);
    const auto subnet = lab.addSubnet("192.0.2.1/24");
    const auto flooder = lab.addPeer(subnet, "192.0.2.66/24");
    REQUIRE_LAB(lab);
    std::atomic<bool> stop{false};
    std::thread flood(
        [&] { lab.runIn(flooder, [&] { floodTheFirstAsker(stop, milliseconds(5000)); }); });
    // Give the flooder time to bind before the broadcast goes out.
    std::this_thread::sleep_for(milliseconds(100));
    // Without retries the request expires after the first quiet wait; from then on the
    // waits are long and the junk keeps every one of them from ending quiet.
    auto options = fastOptions();
    options.retries = 0;
    options.probeTimeLimit = milliseconds(600);
    const auto start = std::chrono::steady_clock::now();
    const auto refusal = lab.runInside([&] { getDeviceBySNMP(options); });
    const auto elapsed = std::chrono::steady_clock::now() - start;
    stop = true;
    flood.join();
    if (!refusal.empty()) {
        GTEST_SKIP() << "refusing to send discovery traffic: " << refusal;
    }
    EXPECT_LT(elapsed, milliseconds(2500));
}

}  // namespace
}  // namespace scandesk
