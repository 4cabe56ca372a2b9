// The scripted loopback peer of the network tests.
#include "loopback_peer.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>

namespace scandesk::testing {
namespace {

constexpr int kAcceptTimeoutMs = 5000;

sockaddr_in loopback(uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

uint16_t boundPort(int fd) {
    sockaddr_in address{};
    socklen_t length = sizeof(address);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    return ntohs(address.sin_port);
}

}  // namespace

bool PeerConnection::send(const Bytes& bytes) {
    size_t at = 0;
    while (at < bytes.size()) {
        const ssize_t n = ::send(fd_, bytes.data() + at, bytes.size() - at, MSG_NOSIGNAL);
        if (n <= 0) {
            return false;
        }
        at += static_cast<size_t>(n);
    }
    return true;
}

void PeerConnection::sendPieces(const Bytes& bytes, const std::vector<size_t>& sizes,
                                std::chrono::milliseconds pause) {
    size_t at = 0;
    for (size_t i = 0; at < bytes.size(); ++i) {
        const size_t size = std::min(sizes[std::min(i, sizes.size() - 1)], bytes.size() - at);
        if (!send(Bytes(bytes.begin() + static_cast<ptrdiff_t>(at),
                        bytes.begin() + static_cast<ptrdiff_t>(at + size)))) {
            return;
        }
        at += size;
        if (at < bytes.size()) {
            std::this_thread::sleep_for(pause);
        }
    }
}

Bytes PeerConnection::receive(size_t count, std::chrono::milliseconds timeout) {
    Bytes bytes;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (bytes.size() < count) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd entry{fd_, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&entry, 1, static_cast<int>(left.count())) <= 0) {
            break;
        }
        uint8_t buffer[4096];
        const ssize_t n = ::recv(fd_, buffer, std::min(sizeof(buffer), count - bytes.size()), 0);
        if (n <= 0) {
            break;
        }
        bytes.insert(bytes.end(), buffer, buffer + n);
    }
    return bytes;
}

bool PeerConnection::waitForClose(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        pollfd entry{fd_, POLLIN, 0};
        if (::poll(&entry, 1, 50) > 0) {
            uint8_t buffer[4096];
            if (::recv(fd_, buffer, sizeof(buffer), 0) <= 0) {
                return true;
            }
        }
    }
    return false;
}

void PeerConnection::close() {
    ::shutdown(fd_, SHUT_RDWR);
}

LoopbackPeer::LoopbackPeer(Script script) {
    listener_.reset(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    const sockaddr_in address = loopback(0);
    if (::bind(listener_.get(), reinterpret_cast<const sockaddr*>(&address), sizeof(address)) !=
            0 ||
        ::listen(listener_.get(), 4) != 0) {
        ADD_FAILURE() << "loopback peer cannot listen";
        return;
    }
    port_ = boundPort(listener_.get());
    thread_ = std::thread([this, script = std::move(script)] {
        pollfd entry{listener_.get(), POLLIN, 0};
        if (::poll(&entry, 1, kAcceptTimeoutMs) <= 0) {
            return;  // nobody came; the test's own assertions say why
        }
        UniqueFd connection(::accept4(listener_.get(), nullptr, nullptr, SOCK_CLOEXEC));
        const int noDelay = 1;
        ::setsockopt(connection.get(), IPPROTO_TCP, TCP_NODELAY, &noDelay, sizeof(noDelay));
        PeerConnection peer(connection.get());
        script(peer);
    });
}

LoopbackPeer::~LoopbackPeer() {
    join();
}

void LoopbackPeer::join() {
    if (thread_.joinable()) {
        thread_.join();
    }
}

uint16_t unusedLoopbackPort() {
    UniqueFd probe(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    const sockaddr_in address = loopback(0);
    ::bind(probe.get(), reinterpret_cast<const sockaddr*>(&address), sizeof(address));
    return boundPort(probe.get());
}

}  // namespace scandesk::testing
