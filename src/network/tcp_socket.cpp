// TCP functions of the socket library.
#include "network/tcp_socket.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "common/diagnostics.h"
#include "network/fd_wait.h"
#include "network/ipv4_address.h"
#include "network/unique_fd.h"

namespace scandesk {
namespace {

constexpr int kListenBacklog = 128;

// Whole seconds as the wait functions take them.
std::chrono::milliseconds seconds(int count) {
    return std::chrono::seconds(count);
}

}  // namespace

int tcpsocket_connect(const char* host, int port, int timeout) {
    const auto address = resolveIPv4(host ? host : "", static_cast<uint16_t>(port));
    if (!address) {
        return -1;
    }
    UniqueFd fd(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (!fd) {
        return -2;
    }
    if (::connect(fd.get(), reinterpret_cast<const sockaddr*>(&*address), sizeof(*address)) == 0) {
        return fd.release();
    }
    if (errno != EINPROGRESS) {
        return -2;
    }
    switch (waitWritable(fd.get(), seconds(std::max(timeout, 0)))) {
        case WaitOutcome::timedOut:
        case WaitOutcome::stopped:  // no stop descriptor is given here
            return -3;
        case WaitOutcome::failed:
            return pendingSocketError(fd.get()) != 0 ? -4 : -2;
        case WaitOutcome::ready:
            break;
    }
    if (pendingSocketError(fd.get()) != 0) {
        return -4;
    }
    // Sends use MSG_NOSIGNAL: a peer that went away never raises SIGPIPE.
    return fd.release();
}

int tcpsocket_close(int fd) {
    return ::close(fd);
}

int tcpsocket_send(int fd, const uint8_t* data, int length,
                   std::chrono::milliseconds stallTimeout) {
    diagf(DiagLevel::verbose, "send fd = %d send cmd=%.*s\n", fd, length,
          reinterpret_cast<const char*>(data));
    int sent = 0;
    while (sent < length) {
        const ssize_t n = ::send(fd, data + sent, static_cast<size_t>(length - sent), MSG_NOSIGNAL);
        if (n > 0) {
            sent += static_cast<int>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && errno == EAGAIN &&
                   waitWritable(fd, stallTimeout) == WaitOutcome::ready) {
            continue;
        } else {
            return -1;
        }
    }
    return sent;
}

int tcpsocket_pull(int fd, uint8_t* buffer, int length, int timeout, PullPacing pacing) {
    if (timeout >= 1) {
        switch (waitReadable(fd, seconds(timeout))) {
            case WaitOutcome::timedOut:
            case WaitOutcome::stopped:  // no stop descriptor is given here
                return 0;
            case WaitOutcome::failed:
                return -1;
            case WaitOutcome::ready:
                break;
        }
    }
    int total = 0;
    int tries = 1;
    while (total < length) {
        const ssize_t n = ::read(fd, buffer + total, static_cast<size_t>(length - total));
        const int error = errno;
        diagf(DiagLevel::verbose, "socketFd = %d ,try times = %d ,readlen = %d\n", fd, tries,
              static_cast<int>(n));
        if (n > 0) {
            total += static_cast<int>(n);
            continue;
        }
        // Something read, end of stream, or a real error: nothing more will come now.
        if (total > 0 || n == 0 || (error != EAGAIN && error != EINTR)) {
            return total;
        }
        if (++tries >= pacing.maxTries) {
            waitReadable(fd, pacing.pause);
            return 0;
        }
        waitReadable(fd, pacing.pause);
    }
    return total;
}

int tcpsocket_bytes_available(int fd) {
    int count = 0;
    const int result = ::ioctl(fd, FIONREAD, &count);
    return result < 0 ? result : count;
}

int tcpsocket_set_block(int fd, int on) {
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0) {
        return flags;
    }
    return ::fcntl(fd, F_SETFL, on ? (flags & ~O_NONBLOCK) : (flags | O_NONBLOCK));
}

int tcpsocket_listen(const char* address, int port) {
    const auto local = resolveIPv4(address ? address : "", static_cast<uint16_t>(port));
    UniqueFd fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    const int reuse = 1;
    if (!local || !fd ||
        ::setsockopt(fd.get(), SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof(reuse)) != 0 ||
        ::bind(fd.get(), reinterpret_cast<const sockaddr*>(&*local), sizeof(*local)) != 0) {
        return -1;
    }
    if (::listen(fd.get(), kListenBacklog) != 0) {
        return -2;
    }
    return fd.release();
}

int tcpsocket_accept(int fd, char* remoteAddress, int* remotePort, int timeout) {
    const auto limit = timeout >= 1 ? seconds(timeout) : std::chrono::milliseconds(-1);
    if (waitReadable(fd, limit) != WaitOutcome::ready) {
        return -1;
    }
    sockaddr_in peer{};
    socklen_t length = sizeof(peer);
    const int client = ::accept4(fd, reinterpret_cast<sockaddr*>(&peer), &length, SOCK_CLOEXEC);
    if (client < 0) {
        return -1;
    }
    storePeer(peer, remoteAddress, remotePort);
    return client;
}

int tcpsocket_port(int fd) {
    sockaddr_in local{};
    socklen_t length = sizeof(local);
    if (::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &length) != 0) {
        return -1;
    }
    return hostPort(local);
}

}  // namespace scandesk
