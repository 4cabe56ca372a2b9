// One scan job on a network scanner.
#pragma once

#include "common/result_pair.h"
#include "devices/device.h"
#include "network/network_scan_options.h"
#include "network/tcp_communicator.h"
#include "protocol/scan_process.h"

namespace scandesk {

/// Runs one job over TCP: greeting check, paper check, S, I and X commands, page
/// stream. May rewrite `param.source` of the shared command ("AUTO" to "ADF" or "FB").
/// Not reusable: a retry makes a new process, and with it a new connection.
class SocketScanProcess : public ScanProcess {
  public:
    SocketScanProcess(Device scanner, SharedScanCommand scanCommand, PageSink sink,
                      NetworkScanOptions options = {});

    /// The whole job; the connection is closed on every path. (true, page count) or
    /// (false, reason).
    ResultPair start() override;

    /// Connects and checks that the peer greets as a scanner does ("0001").
    ResultPair checkScanner();
    /// Asks for the paper source unless it is "FB" and resolves "AUTO".
    ResultPair checkPaperSource();
    /// Sends the source command.
    ResultPair sendSCommand();
    /// Sends the image-parameter command; any reply is accepted.
    ResultPair sendICommand();

    const Device& scanner() const { return scanner_; }

  private:
    /// Writes command bytes in one call; the count is not checked, a missing reply tells.
    void writeCommand(const Bytes& bytes);

    TCPCommunicator socket_;
    Device scanner_;
    SharedScanCommand scanCommand_;
    PageSink sink_;
    NetworkScanOptions options_;
};

}  // namespace scandesk
