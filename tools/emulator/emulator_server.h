// The virtual scanner's TCP front end: one engine per connection, units written in order.
#pragma once

#include <cstdint>
#include <fstream>
#include <mutex>
#include <random>
#include <string>

#include "emulator/emulator_options.h"
#include "network/socket_objects.h"
#include "network/unique_fd.h"

namespace scandesk::emulator {

/// Serves connections one after another, each with a fresh scanner session.
class EmulatorServer {
  public:
    explicit EmulatorServer(EmulatorOptions options);

    /// Binds and listens; on failure returns false and says why in `error`.
    bool listen(std::string& error);
    /// The port listened on (the chosen one when the options said 0).
    uint16_t port() const { return port_; }
    /// Serves until the allowed number of connections is done or `stop` is called.
    /// Returns the number of connections served.
    int serve();
    /// Makes `serve` return soon, also from another thread.
    void stop();

  private:
    /// Runs one scanner session on an accepted connection until the host leaves.
    void serveConnection(sockets::TCPClient& connection);
    /// Writes one unit, in random pieces when splitting; false when the host is gone.
    bool writeUnit(sockets::TCPClient& connection, const Bytes& unit, bool split);
    /// Appends the command to the log, if one is kept.
    void logCommand(const HostCommand& command);

    EmulatorOptions options_;
    sockets::TCPServer listener_;
    UniqueFd stopRead_;
    UniqueFd stopWrite_;
    uint16_t port_ = 0;
    std::ofstream log_;
    std::mt19937 random_{0x5CA11E5u};
};

/// A command as one log line: its bytes in upper-case hex pairs separated by blanks.
std::string hexLine(const Bytes& bytes);

}  // namespace scandesk::emulator
