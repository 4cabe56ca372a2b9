// The broadcast address each interface is probed at, from made-up interface lists.
#include "discovery/snmp_interfaces.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <net/if.h>
#include <netinet/in.h>

#include <deque>

namespace scandesk {
namespace {

// An interface list held in ordinary storage, linked like getifaddrs's.
class InterfaceList {
  public:
    void add(const char* name, unsigned flags, const char* address, const char* netmask,
             const char* other = nullptr, int family = AF_INET) {
        auto& entry = entries_.emplace_back();
        entry.ifa_name = const_cast<char*>(name);
        entry.ifa_flags = flags;
        entry.ifa_addr = socketAddress(address, family);
        entry.ifa_netmask = socketAddress(netmask, AF_INET);
        entry.ifa_broadaddr = socketAddress(other, AF_INET);  // ifa_dstaddr for point-to-point
        for (size_t i = 0; i + 1 < entries_.size(); ++i) {
            entries_[i].ifa_next = &entries_[i + 1];
        }
    }
    const ifaddrs* head() const { return entries_.empty() ? nullptr : &entries_.front(); }

  private:
    sockaddr* socketAddress(const char* text, int family) {
        if (text == nullptr) {
            return nullptr;
        }
        auto& storage = addresses_.emplace_back();
        auto* in = reinterpret_cast<sockaddr_in*>(&storage);
        in->sin_family = static_cast<sa_family_t>(family);
        inet_pton(AF_INET, text, &in->sin_addr);
        return reinterpret_cast<sockaddr*>(&storage);
    }

    std::deque<ifaddrs> entries_;
    std::deque<sockaddr_storage> addresses_;
};

constexpr unsigned UP_BROADCAST = IFF_UP | IFF_BROADCAST;

TEST(ProbeTargets, TakeEachInterfacesOwnBroadcastAddress) {
    InterfaceList list;
    list.add("lo", IFF_UP | IFF_LOOPBACK, "127.0.0.1", "255.0.0.0");
    list.add("eth0", UP_BROADCAST, "198.18.0.5", "255.255.254.0", "198.18.1.255");  // /23
    list.add("eth1", UP_BROADCAST, "198.19.7.9", "255.255.0.0", nullptr);  // mask only: /16
    list.add("eth2", UP_BROADCAST, "192.0.2.7", nullptr, nullptr);         // nothing: the /24
    list.add("tun0", IFF_UP | IFF_POINTOPOINT, "203.0.113.2", "255.255.255.255", "203.0.113.1");
    list.add("wg0", IFF_UP | IFF_POINTOPOINT, "203.0.113.9", "255.255.255.0", nullptr);
    list.add("eth3", IFF_UP, "198.51.100.4", "255.255.255.255", nullptr);  // /32: the /24
    list.add("eth4", UP_BROADCAST, "192.0.2.8", "255.255.255.0", "192.0.2.255");
    list.add("eth5", UP_BROADCAST, "::1", "255.255.255.0", nullptr, AF_INET6);
    list.add("lo2", IFF_UP, "127.0.0.2", "255.0.0.0");
    const std::vector<ProbeTarget> expected{
        {"eth0", "198.18.0.5", "198.18.1.255"}, {"eth1", "198.19.7.9", "198.19.255.255"},
        {"eth2", "192.0.2.7", "192.0.2.255"},   {"eth3", "198.51.100.4", "198.51.100.255"},
        {"eth4", "192.0.2.8", "192.0.2.255"},
    };
    EXPECT_EQ(probeTargets(list.head()), expected);
}

}  // namespace
}  // namespace scandesk
