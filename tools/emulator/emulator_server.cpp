// Listening, accepting and the per-connection loop of the virtual scanner.
#include "emulator/emulator_server.h"

#include <fcntl.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstring>
#include <thread>

#include "common/diagnostics.h"
#include "network/ipv4_address.h"

namespace scandesk::emulator {
namespace {

// Split pieces: header bytes in pieces of at most this many, with a short pause after
// each (well under any receiver's grace for lone bytes), data in larger pieces.
constexpr size_t kHeaderPieceMax = 5;
constexpr size_t kDataPieceMax = 1500;
constexpr auto kSplitPause = std::chrono::milliseconds(2);
constexpr size_t kSplitHeaderBytes = 22;
constexpr size_t kReceiveChunk = 4096;
constexpr int kAcceptPollMs = 1000;

}  // namespace

std::string hexLine(const Bytes& bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string line;
    line.reserve(bytes.size() * 3);
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (i) {
            line += ' ';
        }
        line += kDigits[bytes[i] >> 4];
        line += kDigits[bytes[i] & 0x0F];
    }
    return line;
}

EmulatorServer::EmulatorServer(EmulatorOptions options) : options_(std::move(options)) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) == 0) {
        stopRead_.reset(fds[0]);
        stopWrite_.reset(fds[1]);
    }
}

bool EmulatorServer::listen(std::string& error) {
    if (!options_.logPath.empty()) {
        log_.open(options_.logPath, std::ios::out | std::ios::trunc);
        if (!log_) {
            error = "cannot write the log file " + options_.logPath;
            return false;
        }
    }
    const auto address = resolveIPv4(options_.bind, options_.port);
    if (!address) {
        error = "cannot resolve the bind address " + options_.bind;
        return false;
    }
    listener_.reset(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    const int reuse = 1;
    if (!listener_ ||
        ::setsockopt(listener_.get(), SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof(reuse)) != 0 ||
        ::bind(listener_.get(), reinterpret_cast<const sockaddr*>(&*address), sizeof(*address)) !=
            0 ||
        ::listen(listener_.get(), 8) != 0) {
        error = std::string("cannot listen on ") + options_.bind + ":" +
                std::to_string(options_.port) + ": " + std::strerror(errno);
        listener_.reset();
        return false;
    }
    sockaddr_in bound{};
    socklen_t length = sizeof(bound);
    ::getsockname(listener_.get(), reinterpret_cast<sockaddr*>(&bound), &length);
    port_ = hostPort(bound);
    return true;
}

int EmulatorServer::serve() {
    int served = 0;
    while (listener_ && (!options_.connections || served < *options_.connections)) {
        const Wait wait = waitFor(listener_.get(), POLLIN, kAcceptPollMs);
        if (wait == Wait::stopped) {
            break;
        }
        if (wait == Wait::timedOut) {
            continue;
        }
        UniqueFd connection(
            ::accept4(listener_.get(), nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK));
        if (!connection) {
            continue;
        }
        ++served;
        diag("scandesk-emulator: connection ", served, " accepted");
        serveConnection(connection.get());
        diag("scandesk-emulator: connection ", served, " closed");
    }
    return served;
}

void EmulatorServer::stop() {
    const uint8_t byte = 1;
    if (stopWrite_) {
        [[maybe_unused]] const auto written = ::write(stopWrite_.get(), &byte, 1);
    }
}

void EmulatorServer::serveConnection(int fd) {
    const int noDelay = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &noDelay, sizeof(noDelay));
    ScannerEngine engine(options_.script);
    engine.greet();
    size_t logged = 0;
    uint8_t buffer[kReceiveChunk];
    while (true) {
        while (auto unit = engine.nextUnit()) {
            if (!writeUnit(fd, *unit, options_.split && engine.lastUnitWasBlock())) {
                return;
            }
        }
        const int idleMs = static_cast<int>(
            std::chrono::duration_cast<std::chrono::milliseconds>(options_.idleTimeout).count());
        if (waitFor(fd, POLLIN, idleMs) != Wait::ready) {
            return;
        }
        const ssize_t n = ::recv(fd, buffer, sizeof(buffer), 0);
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            continue;
        }
        if (n <= 0) {
            return;  // the host closed the connection
        }
        engine.receive(std::span<const uint8_t>(buffer, static_cast<size_t>(n)));
        for (; logged < engine.received().size(); ++logged) {
            logCommand(engine.received()[logged]);
        }
    }
}

bool EmulatorServer::writeUnit(int fd, const Bytes& unit, bool split) {
    if (!split) {
        return writeAll(fd, unit.data(), unit.size());
    }
    size_t at = 0;
    while (at < unit.size()) {
        const bool inHeader = at < kSplitHeaderBytes;
        const size_t most = inHeader ? kHeaderPieceMax : kDataPieceMax;
        std::uniform_int_distribution<size_t> pieceSize(1, std::min(most, unit.size() - at));
        const size_t piece = pieceSize(random_);
        if (!writeAll(fd, unit.data() + at, piece)) {
            return false;
        }
        at += piece;
        if (inHeader) {
            std::this_thread::sleep_for(kSplitPause);
        }
    }
    return true;
}

bool EmulatorServer::writeAll(int fd, const uint8_t* data, size_t size) {
    const int idleMs = static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(options_.idleTimeout).count());
    while (size > 0) {
        const ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
        if (n > 0) {
            data += n;
            size -= static_cast<size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && errno == EAGAIN) {
            if (waitFor(fd, POLLOUT, idleMs) != Wait::ready) {
                return false;
            }
        } else {
            return false;
        }
    }
    return true;
}

EmulatorServer::Wait EmulatorServer::waitFor(int fd, short events, int timeoutMs) {
    pollfd entries[2] = {{fd, events, 0}, {stopRead_.get(), POLLIN, 0}};
    while (true) {
        const int ready = ::poll(entries, 2, timeoutMs);
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready < 0 || entries[1].revents) {
            return Wait::stopped;
        }
        return ready == 0 ? Wait::timedOut : Wait::ready;
    }
}

void EmulatorServer::logCommand(const HostCommand& command) {
    if (log_.is_open()) {
        log_ << hexLine(command.raw) << std::endl;
    }
}

}  // namespace scandesk::emulator
