// Broadcast addresses of the local IPv4 interfaces.
#include "discovery/snmp_interfaces.h"

#include <arpa/inet.h>
#include <net/if.h>
#include <netinet/in.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <optional>

#include "common/diagnostics.h"

namespace scandesk {
namespace {

struct InterfaceListFree {
    void operator()(ifaddrs* list) const { freeifaddrs(list); }
};

// The IPv4 address of a socket address, in network byte order.
std::optional<in_addr_t> ipv4Of(const sockaddr* address) {
    if (address == nullptr || address->sa_family != AF_INET) {
        return std::nullopt;
    }
    sockaddr_in in{};
    std::memcpy(&in, address, sizeof in);
    return in.sin_addr.s_addr;
}

std::string dotted(in_addr_t address) {
    char text[INET_ADDRSTRLEN] = {};
    in_addr in{address};
    inet_ntop(AF_INET, &in, text, sizeof text);
    return text;
}

// Where an interface's probe goes, or nothing for a link without broadcast.
std::optional<in_addr_t> broadcastOf(const ifaddrs& entry, in_addr_t address) {
    const bool canBroadcast = (entry.ifa_flags & IFF_BROADCAST) != 0;
    if (canBroadcast) {
        if (const auto own = ipv4Of(entry.ifa_broadaddr); own && *own != 0) {
            return own;
        }
    }
    if ((entry.ifa_flags & IFF_POINTOPOINT) != 0 && !canBroadcast) {
        return std::nullopt;  // ifa_dstaddr is the peer, not a broadcast
    }
    // A /31 or /32 has no broadcast address of its own: fall back to the /24.
    const auto mask = ipv4Of(entry.ifa_netmask);
    if (mask && ntohl(*mask) < 0xFFFFFFFEu) {
        return address | ~*mask;
    }
    return address | htonl(0xFFu);
}

}  // namespace

std::vector<ProbeTarget> probeTargets(const ifaddrs* interfaces) {
    std::vector<ProbeTarget> targets;
    for (const ifaddrs* entry = interfaces; entry != nullptr; entry = entry->ifa_next) {
        const auto address = ipv4Of(entry->ifa_addr);
        if (!address || (ntohl(*address) >> 24) == 127) {
            continue;
        }
        const std::string name = entry->ifa_name != nullptr ? entry->ifa_name : "";
        const auto broadcast = broadcastOf(*entry, *address);
        if (!broadcast) {
            diagDebug("snmp discovery skips point-to-point interface ", name, " (",
                      dotted(*address), "): it has no broadcast address");
            continue;
        }
        diagf(DiagLevel::debug, "one ip of computer address : %s\n", dotted(*address).c_str());
        targets.push_back(ProbeTarget{name, dotted(*address), dotted(*broadcast)});
    }
    return targets;
}

std::vector<ProbeTarget> localProbeTargets() {
    ifaddrs* raw = nullptr;
    if (getifaddrs(&raw) != 0) {
        diagWarning("getifaddrs: ", std::strerror(errno));
        return {};
    }
    const std::unique_ptr<ifaddrs, InterfaceListFree> interfaces(raw);
    return probeTargets(raw);
}

}  // namespace scandesk
