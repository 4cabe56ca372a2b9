// The virtual scanner served in-process on loopback, for tests of the scan process.
#pragma once

#include <future>
#include <string>
#include <vector>

#include "emulator/emulator_server.h"

namespace scandesk::testing {

/// Serves `connections` connections one after another, each a fresh session of the script,
/// on a system-chosen loopback port, and logs the commands it receives. The destructor stops
/// the server and removes the log.
class VirtualScanner {
  public:
    explicit VirtualScanner(emulator::ScannerScript script, bool split = false,
                            int connections = 1);
    ~VirtualScanner();
    VirtualScanner(const VirtualScanner&) = delete;
    VirtualScanner& operator=(const VirtualScanner&) = delete;

    uint16_t port() const { return server_.port(); }
    /// The received commands as the log holds them, one hex line each.
    std::vector<std::string> loggedCommands() const;
    /// Whether every connection has been served and closed within the time given.
    bool finished(std::chrono::milliseconds timeout);

  private:
    std::string logPath_;
    emulator::EmulatorServer server_;
    std::future<int> serving_;
};

}  // namespace scandesk::testing
