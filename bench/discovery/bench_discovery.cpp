// Wall time of a whole discovery and time to its first scanner, over 1, 2, 4 and 8
// interfaces each with a real agent answering, with the library's own time-outs; then
// identification of an answering and of a silent address. Runs only inside the private
// networks it builds (root and snmpd needed); other arguments are ignored.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "discovery/snmp_discovery.h"
#include "discovery/snmp_environment.h"
#include "snmp_test_network.h"

namespace {

using scandesk::Device;
using scandesk::testing::NetworkLab;
using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start, Clock::time_point end) {
    return std::chrono::duration<double, std::milli>(end - start).count();
}

// The host side's address and an agent's address of subnet `i` (all inside the
// benchmarking range 198.18.0.0/15, one /24 each).
std::string subnetAddress(int i, int host) {
    return "198.18." + std::to_string(10 + i) + "." + std::to_string(host) + "/24";
}

// Builds N subnets with an agent each, runs `runs` discoveries inside; false when the
// lab cannot be built here.
bool measure(int interfaces, int runs) {
    NetworkLab lab;
    for (int i = 0; i < interfaces && lab.failure().empty(); ++i) {
        lab.addAgent(lab.addSubnet(subnetAddress(i, 1)), subnetAddress(i, 40),
                     {"sysObjectID .1.3.6.1.4.1.53303.4.7.1.52"});
    }
    if (!lab.failure().empty()) {
        std::fprintf(stderr, "bench_discovery: skipped: %s\n", lab.failure().c_str());
        return false;
    }
    for (int run = 0; run < runs; ++run) {
        size_t found = 0;
        std::optional<Clock::time_point> first;
        Clock::time_point start;
        Clock::time_point end;
        const auto refusal = lab.runInside([&] {
            start = Clock::now();
            found = scandesk::getDeviceBySNMP({}, [&](const Device&) {
                        if (!first) {
                            first = Clock::now();
                        }
                    }).size();
            end = Clock::now();
        });
        if (!refusal.empty()) {
            std::fprintf(stderr, "bench_discovery: refusing to send: %s\n", refusal.c_str());
            return false;
        }
        std::printf("discovery  interfaces=%d run=%d found=%zu whole=%.0f ms first=%.0f ms\n",
                    interfaces, run + 1, found, millisecondsSince(start, end),
                    first ? millisecondsSince(start, *first) : -1.0);
        std::fflush(stdout);
    }
    if (interfaces == 1) {
        for (const std::string ip : {"198.18.10.40", "198.18.10.99"}) {
            std::optional<Device> identified;
            Clock::time_point start;
            Clock::time_point end;
            lab.runInside([&] {
                start = Clock::now();
                identified = scandesk::identifyScanner(ip);
                end = Clock::now();
            });
            std::printf("identify   %-13s %-9s %.0f ms\n", ip.c_str(),
                        identified ? "answered" : "silent", millisecondsSince(start, end));
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    scandesk::prepareSnmpEnvironment();
    int runs = 3;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::string(argv[i]) == "--runs") {
            runs = std::max(1, std::atoi(argv[i + 1]));
        }
    }
    for (int interfaces : {1, 2, 4, 8}) {
        if (!measure(interfaces, runs)) {
            return 0;
        }
    }
    return 0;
}
