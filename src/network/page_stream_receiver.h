// Cuts the TCP page stream of one scan into pages.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "network/network_scan_options.h"
#include "protocol/page_framing.h"
#include "protocol/scan_outcome.h"
#include "protocol/scan_process.h"

namespace scandesk {

/// Message when the stream stays silent longer than the page wait.
inline constexpr const char* kNoBytesForOneMinute = "has no bytes available for 1 min";
/// Bytes read per header unit: a block header and its first 10 data bytes, or a
/// page-end record and the next block's header.
inline constexpr size_t kHeaderUnitSize = kPageEndRecordSize + kBlockHeaderSize;
/// Largest single page-data read.
inline constexpr size_t kDataReadSize = 40960;

/// Reads one scan's page stream from a connected socket until it ends; one use.
class PageStreamReceiver {
  public:
    /// A readable `stopFd` ends the transfer as cancelled.
    PageStreamReceiver(int fd, const CommunicatorLimits& limits, const ScanParam& param,
                       const PageSink& savePage, const PageProgress& progress, int stopFd = -1);

    /// Receives every page until the scanner ends the job, the stream breaks or a page
    /// cannot be stored.
    ScanOutcome run();

  private:
    enum class State { needHeader, readData };
    struct Read {
        ssize_t count = 0;  ///< bytes read, or 0 / -1 for end of stream or error
        bool timedOut = false;
        bool stopped = false;
    };

    /// Assembles one header unit; the outcome when the stream ends there.
    std::optional<ScanOutcome> needHeader();
    /// Acts on a whole 22-byte unit by its first byte.
    std::optional<ScanOutcome> interpretUnit();
    /// Reads the next piece of a block's data.
    std::optional<ScanOutcome> readData();
    /// Fails the transfer when the page has outgrown any sensible size.
    std::optional<ScanOutcome> checkPageSize();
    /// Up to `count` bytes, from the inbox first; waits while nothing has come. A stop
    /// request ends it at once, even while bytes are waiting.
    Read readSome(uint8_t* buffer, size_t count);
    /// One read from the socket, waiting until the page wait runs out.
    Read receive(uint8_t* buffer, size_t count);
    /// Whether another byte arrives within the status grace period.
    bool moreBytesWithinGrace();
    /// The outcome a lone status byte gives the transfer.
    ScanOutcome statusByte(uint8_t status);
    /// The outcome of a read that brought no bytes, if it ends the transfer: silence,
    /// a stop request or a broken connection (`where` names the place for diagnostics).
    ScanOutcome readFailure(const Read& read, const char* where);
    /// The outcome of a connection that closed where a header was due.
    ScanOutcome streamEndedInHeader(bool unitStartsEmpty);
    /// A normal end with the pages stored so far.
    ScanOutcome finished() const;
    /// A failure after the pages stored so far.
    ScanOutcome failed(ScanCode code, std::string detail) const;
    /// Hands the page to the sink, tells progress, and starts the next page; the
    /// failure when the sink could not store it.
    std::optional<ScanOutcome> savePage();
    /// Stores the page as soon as the unit being read begins with its whole end record,
    /// once, so that a slow scanner's page is not held until the next unit comes; the
    /// failure when it could not be stored.
    std::optional<ScanOutcome> storeEndedPage();

    int fd_;
    int stopFd_;
    CommunicatorLimits limits_;
    const ScanParam& param_;
    const PageSink& savePage_;
    const PageProgress& progress_;
    int64_t expectedSize_;
    int64_t sizeLimit_;
    State state_ = State::needHeader;
    Bytes header_;
    Bytes page_;
    Bytes dataBuffer_;
    Bytes inbox_;  ///< bytes read from the socket but not yet taken
    size_t inboxStart_ = 0;
    size_t inboxEnd_ = 0;
    std::chrono::steady_clock::time_point lastBytes_;
    int pageNo_ = 1;
    int pagesStored_ = 0;
    int64_t remaining_ = 0;
    int64_t receivedTotal_ = 0;
    bool endStored_ = false;  ///< the page whose end record begins the unit is stored
};

}  // namespace scandesk
