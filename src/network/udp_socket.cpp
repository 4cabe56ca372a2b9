// UDP functions of the socket library.
#include "network/udp_socket.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

#include "common/diagnostics.h"
#include "network/ipv4_address.h"
#include "network/tcp_socket.h"
#include "network/unique_fd.h"

namespace scandesk {

int udpsocket_server(const char* address, int port) {
    const std::string host = address ? address : "";
    UniqueFd fd(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    const int reuse = 1;
    if (!fd || ::setsockopt(fd.get(), SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof(reuse)) != 0) {
        return -1;
    }
    std::optional<sockaddr_in> local;
    if (host.empty() || host == "255.255.255.255") {
        diagf(DiagLevel::debug, "udp server ip len = %d\n", static_cast<int>(host.size()));
        local = resolveIPv4("0.0.0.0", static_cast<uint16_t>(port));
    } else {
        local = resolveIPv4(host, static_cast<uint16_t>(port));
    }
    if (!local) {
        return -1;
    }
    const int r = ::bind(fd.get(), reinterpret_cast<const sockaddr*>(&*local), sizeof(*local));
    if (r != 0) {
        return -1;
    }
    diagf(DiagLevel::debug, "bind server success and r = %d and socketfd = %d\n", r, fd.get());
    return fd.release();
}

int udpsocket_client() {
    UniqueFd fd(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    const int reuse = 1;
    if (!fd || ::setsockopt(fd.get(), SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof(reuse)) != 0) {
        return -1;
    }
    return fd.release();
}

int enable_broadcast(int fd) {
    const int on = 1;
    return ::setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof(on));
}

int udpsocket_get_server_ip(const char* name, char* out) {
    const auto address = resolveIPv4(name ? name : "", 0);
    if (!address) {
        return -1;
    }
    storePeer(*address, out, nullptr);
    return 0;
}

int udpsocket_sentto(int fd, const uint8_t* data, int length, const char* address, int port) {
    const auto target = resolveIPv4(address ? address : "", static_cast<uint16_t>(port));
    if (!target) {
        return -1;
    }
    return static_cast<int>(::sendto(fd, data, static_cast<size_t>(length), MSG_NOSIGNAL,
                                     reinterpret_cast<const sockaddr*>(&*target), sizeof(*target)));
}

int udpsocket_recive(int fd, uint8_t* buffer, int length, char* remoteAddress, int* remotePort) {
    diagf(DiagLevel::verbose, "receive data from socket =%d\n", fd);
    sockaddr_in sender{};
    socklen_t size = sizeof(sender);
    const ssize_t n = ::recvfrom(fd, buffer, static_cast<size_t>(length), 0,
                                 reinterpret_cast<sockaddr*>(&sender), &size);
    if (n >= 0) {
        storePeer(sender, remoteAddress, remotePort);
    }
    diagf(DiagLevel::verbose, "receive data from socket =%d,clientip =%s\n", fd,
          remoteAddress ? remoteAddress : "");
    return static_cast<int>(n);
}

int udpsocket_close(int fd) {
    return ::close(fd);
}

}  // namespace scandesk
