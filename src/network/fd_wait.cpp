// poll-based waits and socket state queries.
#include "network/fd_wait.h"

#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstdio>

namespace scandesk {
namespace {

// Polls for `events` until the deadline; end of stream counts as readable.
WaitOutcome waitFor(int fd, short events, std::chrono::milliseconds timeout, int stopFd) {
    using Clock = std::chrono::steady_clock;
    const bool unlimited = timeout.count() < 0;
    const auto deadline = Clock::now() + (unlimited ? std::chrono::milliseconds(0) : timeout);
    while (true) {
        int waitMs = -1;
        if (!unlimited) {
            // Rounded up, so that the wait never ends before its limit.
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
            waitMs = static_cast<int>(std::max<int64_t>(0, left.count()));
        }
        pollfd entries[2] = {{fd, events, 0}, {stopFd, POLLIN, 0}};
        const pollfd& entry = entries[0];
        const int ready = ::poll(entries, stopFd >= 0 ? 2 : 1, waitMs);
        if (ready > 0 && entries[1].revents) {
            return WaitOutcome::stopped;
        }
        if (ready > 0) {
            if (entry.revents & events) {
                return WaitOutcome::ready;
            }
            // Hang-up alone still lets a reader see the end of the stream.
            if ((entry.revents & POLLHUP) && (events & POLLIN)) {
                return WaitOutcome::ready;
            }
            return WaitOutcome::failed;
        }
        if (ready == 0) {
            if (unlimited || Clock::now() >= deadline) {
                return WaitOutcome::timedOut;
            }
            continue;  // woke a little early
        }
        if (errno != EINTR) {
            return WaitOutcome::failed;
        }
    }
}

}  // namespace

WaitOutcome waitReadable(int fd, std::chrono::milliseconds timeout, int stopFd) {
    return waitFor(fd, POLLIN, timeout, stopFd);
}

WaitOutcome waitWritable(int fd, std::chrono::milliseconds timeout, int stopFd) {
    return waitFor(fd, POLLOUT, timeout, stopFd);
}

int pendingSocketError(int fd) {
    int error = 0;
    socklen_t length = sizeof(error);
    if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0) {
        return errno;
    }
    return error;
}

std::optional<int> bytesReady(int fd) {
    int count = 0;
    if (::ioctl(fd, FIONREAD, &count) != 0) {
        return std::nullopt;
    }
    return count;
}

std::string secondsSince(std::chrono::steady_clock::time_point start) {
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    char text[32];
    std::snprintf(text, sizeof(text), "%.6f", elapsed.count());
    return text;
}

}  // namespace scandesk
