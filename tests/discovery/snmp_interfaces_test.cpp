// The broadcast address each interface is probed at, from a made-up interface list.
#include "discovery/snmp_interfaces.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <net/if.h>

namespace scandesk {
namespace {

struct Entry {
    const char* name;
    unsigned flags;
    const char* address;
    const char* netmask;
    const char* other;  ///< broadcast address, or the peer of a point-to-point link
    sa_family_t family = AF_INET;
};

TEST(ProbeTargets, TakeEachInterfacesOwnBroadcastAddressAndSkipLinksWithout) {
    constexpr unsigned UP_BROADCAST = IFF_UP | IFF_BROADCAST;
    const std::vector<Entry> entries{
        {"lo", IFF_UP | IFF_LOOPBACK, "127.0.0.1", "255.0.0.0", nullptr},
        {"eth0", UP_BROADCAST, "198.18.0.5", "255.255.254.0", "198.18.1.255"},  // /23
        {"eth1", UP_BROADCAST, "198.19.7.9", "255.255.0.0", nullptr},           // mask only: /16
        {"eth2", UP_BROADCAST, "192.0.2.7", nullptr, nullptr},                  // nothing: the /24
        {"tun0", IFF_UP | IFF_POINTOPOINT, "203.0.113.2", "255.255.255.255", "203.0.113.1"},
        {"wg0", IFF_UP | IFF_POINTOPOINT, "203.0.113.9", "255.255.255.0", nullptr},
        {"eth3", IFF_UP, "198.51.100.4", "255.255.255.255", nullptr},  // a /32: the /24
        {"eth4", UP_BROADCAST, "::1", "255.255.255.0", nullptr, AF_INET6},
    };
    // The list in ordinary storage, linked like getifaddrs's.
    std::vector<sockaddr_in> addresses(entries.size() * 3);
    std::vector<ifaddrs> list(entries.size());
    const auto socketAddress = [&](size_t slot, const char* text, sa_family_t family) {
        addresses[slot].sin_family = family;
        inet_pton(AF_INET, text ? text : "0.0.0.0", &addresses[slot].sin_addr);
        return text ? reinterpret_cast<sockaddr*>(&addresses[slot]) : nullptr;
    };
    for (size_t i = 0; i < entries.size(); ++i) {
        list[i].ifa_next = i + 1 < list.size() ? &list[i + 1] : nullptr;
        list[i].ifa_name = const_cast<char*>(entries[i].name);
        list[i].ifa_flags = entries[i].flags;
        list[i].ifa_addr = socketAddress(3 * i, entries[i].address, entries[i].family);
        list[i].ifa_netmask = socketAddress(3 * i + 1, entries[i].netmask, AF_INET);
        list[i].ifa_broadaddr = socketAddress(3 * i + 2, entries[i].other, AF_INET);
    }
    const std::vector<ProbeTarget> expected{
        {"eth0", "198.18.0.5", "198.18.1.255"},
        {"eth1", "198.19.7.9", "198.19.255.255"},
        {"eth2", "192.0.2.7", "192.0.2.255"},
        {"eth3", "198.51.100.4", "198.51.100.255"},
    };
    EXPECT_EQ(probeTargets(list.data()), expected);
}

}  // namespace
}  // namespace scandesk
