// A scripted TCP peer on loopback, for tests of the communicator and the socket library.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <thread>

#include "common/bytes.h"
#include "network/unique_fd.h"

namespace scandesk::testing {

/// The peer's end of one accepted connection, as the script sees it.
class PeerConnection {
  public:
    explicit PeerConnection(int fd) : fd_(fd) {}
    /// Sends all bytes; false when the host has gone.
    bool send(const Bytes& bytes);
    /// Sends the bytes in pieces of the given sizes, pausing between pieces so that
    /// each arrives on its own; the last size repeats.
    void sendPieces(const Bytes& bytes, const std::vector<size_t>& sizes,
                    std::chrono::milliseconds pause = std::chrono::milliseconds(20));
    /// Reads up to `count` bytes, waiting at most `timeout`; fewer when the host stops.
    Bytes receive(size_t count, std::chrono::milliseconds timeout = std::chrono::seconds(5));
    /// Waits until the host closes the connection (bounded); true when it did.
    bool waitForClose(std::chrono::milliseconds timeout = std::chrono::seconds(5));
    void pause(std::chrono::milliseconds duration) { std::this_thread::sleep_for(duration); }
    /// Closes this end now.
    void close();

  private:
    int fd_;
};

/// Listens on 127.0.0.1 with a system-chosen port and runs `script` on the first
/// connection in its own thread. The destructor waits for the script (the wait for the
/// connection itself is bounded) and closes everything.
class LoopbackPeer {
  public:
    using Script = std::function<void(PeerConnection&)>;
    explicit LoopbackPeer(Script script);
    ~LoopbackPeer();
    LoopbackPeer(const LoopbackPeer&) = delete;
    LoopbackPeer& operator=(const LoopbackPeer&) = delete;

    uint16_t port() const { return port_; }
    /// Waits until the script has finished.
    void join();

  private:
    UniqueFd listener_;
    uint16_t port_ = 0;
    std::thread thread_;
};

/// A port on 127.0.0.1 where nothing listens (bound, then released).
uint16_t unusedLoopbackPort();

}  // namespace scandesk::testing
