// Listening, accepting and the per-connection loop of the virtual scanner.
#include "emulator/emulator_server.h"

#include <fcntl.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <thread>

#include "common/diagnostics.h"
#include "network/fd_wait.h"
#include "network/ipv4_address.h"
#include "network/tcp_socket.h"

namespace scandesk::emulator {
namespace {

// Split pieces: header bytes in pieces of at most this many, with a short pause after
// each (well under any receiver's grace for lone bytes), data in larger pieces.
constexpr size_t kHeaderPieceMax = 5;
constexpr size_t kDataPieceMax = 1500;
constexpr auto kSplitPause = std::chrono::milliseconds(2);
constexpr size_t kSplitHeaderBytes = 22;
constexpr int kReceiveChunk = 4096;
// How often the accept loop looks at the connection count; a stop ends the wait at once.
constexpr std::chrono::milliseconds kAcceptPoll{1000};
// The listener is readable when accept is called, so this limit is never reached.
constexpr int kAcceptTimeoutSeconds = 1;

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

EmulatorServer::EmulatorServer(EmulatorOptions options)
    : options_(std::move(options)), listener_(options_.bind, options_.port) {
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
    if (!resolveIPv4(options_.bind, options_.port)) {
        error = "cannot resolve the bind address " + options_.bind;
        return false;
    }
    if (listener_.listen().isFailure()) {
        error = std::string("cannot listen on ") + options_.bind + ":" +
                std::to_string(options_.port) + ": " + std::strerror(errno);
        return false;
    }
    port_ = static_cast<uint16_t>(listener_.port());
    return true;
}

int EmulatorServer::serve() {
    int served = 0;
    while (listener_.fd() && (!options_.connections || served < *options_.connections)) {
        const WaitOutcome wait = waitReadable(*listener_.fd(), kAcceptPoll, stopRead_.get());
        if (wait == WaitOutcome::stopped || wait == WaitOutcome::failed) {
            break;
        }
        if (wait == WaitOutcome::timedOut) {
            continue;
        }
        std::optional<sockets::TCPClient> connection = listener_.accept(kAcceptTimeoutSeconds);
        if (!connection) {
            continue;
        }
        ++served;
        diagInfo("scandesk-emulator: connection ", served, " accepted");
        serveConnection(*connection);
        diagInfo("scandesk-emulator: connection ", served, " closed");
    }
    return served;
}

void EmulatorServer::stop() {
    const uint8_t byte = 1;
    if (stopWrite_) {
        [[maybe_unused]] const auto written = ::write(stopWrite_.get(), &byte, 1);
    }
}

void EmulatorServer::serveConnection(sockets::TCPClient& connection) {
    const int fd = *connection.fd();
    // Reads take what has come and return; a silent host is the idle wait's business.
    tcpsocket_set_block(fd, 0);
    const int noDelay = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &noDelay, sizeof(noDelay));
    const auto idle = std::chrono::duration_cast<std::chrono::milliseconds>(options_.idleTimeout);
    connection.setSendStallTimeout(idle);
    ScannerEngine engine(options_.script);
    engine.greet();
    size_t logged = 0;
    while (true) {
        while (auto unit = engine.nextUnit()) {
            if (!writeUnit(connection, *unit, options_.split && engine.lastUnitWasBlock())) {
                return;
            }
        }
        if (waitReadable(fd, idle, stopRead_.get()) != WaitOutcome::ready) {
            return;
        }
        const std::optional<Bytes> received = connection.read(kReceiveChunk, 1);
        if (!received) {
            return;  // the host closed the connection
        }
        engine.receive(*received);
        for (; logged < engine.received().size(); ++logged) {
            logCommand(engine.received()[logged]);
        }
    }
}

bool EmulatorServer::writeUnit(sockets::TCPClient& connection, const Bytes& unit, bool split) {
    if (!split) {
        return connection.send(unit).isSuccess();
    }
    size_t at = 0;
    while (at < unit.size()) {
        const bool inHeader = at < kSplitHeaderBytes;
        const size_t most = inHeader ? kHeaderPieceMax : kDataPieceMax;
        std::uniform_int_distribution<size_t> pieceSize(1, std::min(most, unit.size() - at));
        const size_t piece = pieceSize(random_);
        if (connection.send(std::span<const uint8_t>(unit.data() + at, piece)).isFailure()) {
            return false;
        }
        at += piece;
        if (inHeader) {
            std::this_thread::sleep_for(kSplitPause);
        }
    }
    return true;
}

void EmulatorServer::logCommand(const HostCommand& command) {
    if (log_.is_open()) {
        log_ << hexLine(command.raw) << std::endl;
    }
}

}  // namespace scandesk::emulator
