// IPv4 socket addresses from host texts, and back to dotted text.
#pragma once

#include <netinet/in.h>

#include <cstdint>
#include <optional>
#include <string>

namespace scandesk {

/// The first IPv4 address of `host` (a dotted address or a name) with `port`;
/// nothing when it cannot be resolved.
std::optional<sockaddr_in> resolveIPv4(const std::string& host, uint16_t port);

/// The dotted text of an IPv4 socket address.
std::string dottedText(const sockaddr_in& address);

/// The port of an IPv4 socket address, in host byte order.
inline uint16_t hostPort(const sockaddr_in& address) {
    return ntohs(address.sin_port);
}

}  // namespace scandesk
