// Connection handling and short replies of the TCP communicator.
#include "network/tcp_communicator.h"

#include <netinet/tcp.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstring>
#include <thread>

#include "common/diagnostics.h"
#include "network/fd_wait.h"
#include "network/ipv4_address.h"
#include "network/page_stream_receiver.h"

namespace scandesk {

TCPCommunicator::TCPCommunicator(std::string url, uint16_t port, CommunicatorLimits limits)
    : url_(std::move(url)), port_(port), limits_(limits) {}

void TCPCommunicator::connect() {
    diagDebug("TCP Socket attemp to connect ip = ", url_, " and port = ", port_);
    socket_.reset();
    const auto address = resolveIPv4(url_, port_);
    if (!address) {
        diagError("TCPCommunicator: cannot resolve the address \"", url_, "\"");
        return;
    }
    UniqueFd fd(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (!fd) {
        diagError("TCPCommunicator: cannot create a socket: ", std::strerror(errno));
        return;
    }
    const int noDelay = 1;
    ::setsockopt(fd.get(), IPPROTO_TCP, TCP_NODELAY, &noDelay, sizeof(noDelay));
    if (::connect(fd.get(), reinterpret_cast<const sockaddr*>(&*address), sizeof(*address)) != 0 &&
        errno != EINPROGRESS) {
        // Without a socket every reply wait ends at once.
        diagError("TCPCommunicator: connect failed: ", std::strerror(errno));
        return;
    }
    socket_ = std::move(fd);
    diagDebug("Opening streams. Connected");
}

void TCPCommunicator::disconnect() {
    diagDebug("Closing streams.");
    socket_.reset();
}

ssize_t TCPCommunicator::write(std::span<const uint8_t> bytes) {
    if (!socket_) {
        return -1;
    }
    size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n =
            ::send(socket_.get(), bytes.data() + written, bytes.size() - written, MSG_NOSIGNAL);
        if (n > 0) {
            written += static_cast<size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && errno == EAGAIN &&
                   waitWritable(socket_.get(), limits_.replyTimeout, stopFd_) ==
                       WaitOutcome::ready) {
            continue;  // still connecting, or the send buffer was full
        } else {
            diagError("TCPCommunicator: write failed: ", std::strerror(errno));
            return -1;
        }
    }
    return static_cast<ssize_t>(written);
}

std::optional<Bytes> TCPCommunicator::receiveResponse() {
    std::this_thread::sleep_for(limits_.settleDelay);
    if (!socket_) {
        diagError("TCPCommunicator: no connection to read a reply from");
        return std::nullopt;
    }
    const auto start = std::chrono::steady_clock::now();
    switch (waitReadable(socket_.get(), limits_.replyTimeout, stopFd_)) {
        case WaitOutcome::stopped:
            diagInfo("TCPCommunicator: stopped while waiting for a reply");
            return std::nullopt;
        case WaitOutcome::timedOut:
            diagWarning("timeInterval is ", secondsSince(start));
            return std::nullopt;
        case WaitOutcome::failed:
            diagError("TCPCommunicator: connection failed: ",
                      std::strerror(pendingSocketError(socket_.get())));
            return std::nullopt;
        case WaitOutcome::ready:
            break;
    }
    Bytes buffer(kReplyBufferSize, 0);
    ssize_t count = ::recv(socket_.get(), buffer.data(), buffer.size(), 0);
    if (count < 0 && errno == EINTR) {
        count = ::recv(socket_.get(), buffer.data(), buffer.size(), 0);
    }
    const int error = errno;
    diagDebug("TCPCommunicator: func receiveResponse . read data len = ", count);
    if (count < 1) {
        if (count < 0) {
            diagError("TCPCommunicator: connection failed: ", std::strerror(error));
        }
        return std::nullopt;
    }
    return buffer;
}

ScanOutcome TCPCommunicator::receiveImages(const ScanParam& param, const PageSink& savePage,
                                           const PageProgress& progress) {
    std::this_thread::sleep_for(limits_.settleDelay);
    PageStreamReceiver receiver(socket_.get(), limits_, param, savePage, progress, stopFd_);
    return receiver.run();
}

}  // namespace scandesk
