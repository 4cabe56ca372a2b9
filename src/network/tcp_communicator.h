// The TCP connection to one network scanner: replies and the page stream.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "network/network_scan_options.h"
#include "network/unique_fd.h"
#include "protocol/scan_outcome.h"
#include "protocol/scan_process.h"

namespace scandesk {

/// Size of the buffer one reply is read into.
inline constexpr size_t kReplyBufferSize = 300;

/// One scan's connection. Order of use: `connect`, then command writes each followed
/// by `receiveResponse`, then one `receiveImages`, then `disconnect` (also after a
/// failed step). One thread at a time.
class TCPCommunicator {
  public:
    /// A communicator for the scanner at `url` (its dotted address); not yet connected.
    explicit TCPCommunicator(std::string url, uint16_t port = kScannerPort,
                             CommunicatorLimits limits = {});

    /// Starts connecting. Never reports failure: a connection that fails shows up as
    /// missing replies.
    void connect();
    /// Closes the connection; nothing when there is none.
    void disconnect();
    /// Every later wait also ends when `stopFd` (a StopSignal's) becomes readable.
    void setStopDescriptor(int stopFd) { stopFd_ = stopFd; }
    /// Writes command bytes; -1 when not connected or the write fails, else the count.
    ssize_t write(std::span<const uint8_t> bytes);
    /// One short reply: 300 bytes, those after the received count zero; nothing when no
    /// reply came within the reply wait, the connection failed or the read failed.
    std::optional<Bytes> receiveResponse();
    /// Receives the page stream of the job, hands each page to `savePage` (then tells
    /// `progress`), and says how the stream ended and how many pages were stored.
    ScanOutcome receiveImages(const ScanParam& param, const PageSink& savePage,
                              const PageProgress& progress = {});

    const std::string& url() const { return url_; }
    uint16_t port() const { return port_; }
    bool connected() const { return socket_.valid(); }

  private:
    UniqueFd socket_;
    std::string url_;
    uint16_t port_;
    CommunicatorLimits limits_;
    int stopFd_ = -1;
};

}  // namespace scandesk
