// One scan job on a network scanner.
#pragma once

#include <optional>

#include "devices/device.h"
#include "network/network_scan_options.h"
#include "network/tcp_communicator.h"
#include "protocol/scan_command.h"
#include "protocol/scan_process.h"

namespace scandesk {

/// Runs one job over TCP: greeting check, paper check, S, I and X commands, page
/// stream. Not reusable: a retry makes a new process, and with it a new connection.
class SocketScanProcess : public ScanProcess {
  public:
    SocketScanProcess(Device scanner, ScanCommand scanCommand, PageSink sink,
                      NetworkScanOptions options = {});

    /// The whole job; the connection is closed on every path.
    ScanOutcome start(std::stop_token stop) override;

    /// Connects and checks that the peer greets as a scanner does ("0001"); the
    /// failure, if any.
    std::optional<ScanCode> checkScanner();
    /// Asks for the paper source unless it is "FB" and resolves "AUTO".
    std::optional<ScanCode> checkPaperSource();
    /// Sends the source command.
    std::optional<ScanCode> sendSCommand();
    /// Sends the image-parameter command; any reply is accepted.
    std::optional<ScanCode> sendICommand();

    const Device& scanner() const { return scanner_; }
    /// The job's command, its source settled once the paper check has run.
    const ScanCommand& command() const { return scanCommand_; }

  private:
    /// Writes command bytes in one call; the count is not checked, a missing reply tells.
    void writeCommand(const Bytes& bytes);

    TCPCommunicator socket_;
    Device scanner_;
    ScanCommand scanCommand_;
    PageSink sink_;
    NetworkScanOptions options_;
};

}  // namespace scandesk
