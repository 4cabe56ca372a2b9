// Bounded waits on one descriptor with poll: the only way this subsystem waits for a peer.
#pragma once

#include <chrono>
#include <optional>
#include <string>

namespace scandesk {

/// How a wait ended.
enum class WaitOutcome {
    ready,     ///< the descriptor is ready (for reading this includes end of stream)
    timedOut,  ///< the time limit passed first
    failed,    ///< the descriptor has an error or poll itself failed
    stopped,   ///< the stop descriptor became readable first
};

/// Waits until `fd` can be read from (data or end of stream). A negative timeout waits
/// without limit. Interrupted polls resume with the time that is left. A readable
/// `stopFd` (see StopSignal) ends the wait early.
WaitOutcome waitReadable(int fd, std::chrono::milliseconds timeout, int stopFd = -1);

/// Waits until `fd` can be written to, or until its pending connect has finished.
WaitOutcome waitWritable(int fd, std::chrono::milliseconds timeout, int stopFd = -1);

/// The socket's pending error (SO_ERROR), 0 when there is none.
int pendingSocketError(int fd);

/// Bytes ready to be read from `fd` without blocking (FIONREAD), or nothing on failure.
std::optional<int> bytesReady(int fd);

/// Seconds since `start` as a decimal fraction, the way the wait diagnostics print them.
std::string secondsSince(std::chrono::steady_clock::time_point start);

}  // namespace scandesk
