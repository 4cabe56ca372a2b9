// IPv4 socket addresses from host texts, and back to dotted text.
#pragma once

#include <netinet/in.h>

#include <cstdint>
#include <optional>
#include <string>

namespace scandesk {

/// Whether `text` is a plain dotted IPv4 address (no host name, transport or port).
bool isDottedIPv4(const std::string& text);

/// The first IPv4 address of `host` (a dotted address or a name) with `port`;
/// nothing when it cannot be resolved.
std::optional<sockaddr_in> resolveIPv4(const std::string& host, uint16_t port);

/// Writes the address's dotted text and its port (host byte order) into the outputs of
/// the socket library: a zero-filled buffer of 16 bytes and an int; null outputs are
/// skipped.
void storePeer(const sockaddr_in& address, char* text, int* port);

/// The port of an IPv4 socket address, in host byte order.
inline uint16_t hostPort(const sockaddr_in& address) {
    return ntohs(address.sin_port);
}

}  // namespace scandesk
