// A scripted TCP peer on loopback, and time limits short enough for tests.
#pragma once

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>

#include <functional>
#include <thread>

#include "common/bytes.h"
#include "network/network_scan_options.h"
#include "network/unique_fd.h"

namespace scandesk::testing {

/// Nothing waits more than a fraction of a second.
inline CommunicatorLimits quickLimits() {
    return {.settleDelay = std::chrono::milliseconds(1),
            .replyTimeout = std::chrono::milliseconds(600),
            .pageTimeout = std::chrono::milliseconds(600),
            .statusGrace = std::chrono::milliseconds(200)};
}

inline sockaddr_in loopbackAddress(uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

/// Listens on 127.0.0.1 with a system-chosen port and runs `script` with the first
/// connection (bounded wait) on its own thread; the destructor waits for the script.
class LoopbackPeer {
  public:
    explicit LoopbackPeer(std::function<void(int connection)> script, int backlog = 4)
        : listener_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
        sockaddr_in address = loopbackAddress(0);
        socklen_t length = sizeof address;
        auto* any = reinterpret_cast<sockaddr*>(&address);
        if (::bind(listener_.get(), any, length) != 0 || ::listen(listener_.get(), backlog) != 0 ||
            ::getsockname(listener_.get(), any, &length) != 0) {
            ADD_FAILURE() << "loopback peer cannot listen";
            return;
        }
        port_ = ntohs(address.sin_port);
        thread_ = std::jthread([this, script = std::move(script)] {
            pollfd entry{listener_.get(), POLLIN, 0};
            if (script && ::poll(&entry, 1, 5000) > 0) {
                const UniqueFd connection(
                    ::accept4(listener_.get(), nullptr, nullptr, SOCK_CLOEXEC));
                script(connection.get());
            }
        });
    }

    uint16_t port() const { return port_; }

  private:
    UniqueFd listener_;
    uint16_t port_ = 0;
    std::jthread thread_;
};

/// Sends all bytes; false when the host has gone.
inline bool sendAll(int fd, const Bytes& bytes) {
    for (size_t at = 0; at < bytes.size();) {
        const ssize_t n = ::send(fd, bytes.data() + at, bytes.size() - at, MSG_NOSIGNAL);
        if (n <= 0) {
            return false;
        }
        at += static_cast<size_t>(n);
    }
    return true;
}

/// Waits (at most 5 s) until the host closes the connection.
inline void waitForClose(int fd) {
    uint8_t buffer[4096];
    pollfd entry{fd, POLLIN, 0};
    while (::poll(&entry, 1, 5000) > 0 && ::recv(fd, buffer, sizeof buffer, 0) > 0) {
    }
}

}  // namespace scandesk::testing
