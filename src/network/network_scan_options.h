// The port and time limits of a network scan, with the defaults scanners expect.
#pragma once

#include <chrono>
#include <cstdint>

#include "protocol/scan_process.h"

namespace scandesk {

/// The scanners' TCP port.
inline constexpr uint16_t kScannerPort = 54321;

/// Time limits of the TCP communicator. Tests shorten them; the defaults are the
/// scanners' own pace.
struct CommunicatorLimits {
    /// Pause before each reply or page-stream wait, giving the scanner time to start.
    std::chrono::milliseconds settleDelay{2};
    /// Longest wait for the reply to one command (and for the greeting).
    std::chrono::milliseconds replyTimeout{29'000};
    /// Longest silence of the page stream, before it starts and between reads.
    std::chrono::milliseconds pageTimeout{59'000};
    /// How long a lone byte where a header is due waits for company before it is
    /// taken as a status byte (TCP may deliver a header's first byte on its own).
    std::chrono::milliseconds statusGrace{200};
};

/// Everything about a network scan that is not the job itself.
struct NetworkScanOptions {
    uint16_t port = kScannerPort;
    CommunicatorLimits limits{};
    /// Called after each stored page with its number; may be empty.
    PageProgress progress{};
};

}  // namespace scandesk
