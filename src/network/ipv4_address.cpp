// Name resolution for the IPv4 sockets of this subsystem.
#include "network/ipv4_address.h"

#include <arpa/inet.h>
#include <netdb.h>

#include <cstring>
#include <memory>

namespace scandesk {

bool isDottedIPv4(const std::string& text) {
    in_addr address{};
    return inet_pton(AF_INET, text.c_str(), &address) == 1;
}

std::optional<sockaddr_in> resolveIPv4(const std::string& host, uint16_t port) {
    if (host.empty()) {
        return std::nullopt;
    }
    addrinfo hints{};
    hints.ai_family = AF_INET;
    addrinfo* found = nullptr;
    if (::getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || found == nullptr) {
        return std::nullopt;
    }
    std::unique_ptr<addrinfo, void (*)(addrinfo*)> owner(found, ::freeaddrinfo);
    sockaddr_in address{};
    std::memcpy(&address, found->ai_addr, sizeof(address));
    address.sin_port = htons(port);
    return address;
}

void storePeer(const sockaddr_in& address, char* text, int* port) {
    if (text != nullptr) {
        ::inet_ntop(AF_INET, &address.sin_addr, text, INET_ADDRSTRLEN);
    }
    if (port != nullptr) {
        *port = hostPort(address);
    }
}

}  // namespace scandesk
