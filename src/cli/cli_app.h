// scandesk-cli as a function of its arguments, services and standard streams.
#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "session/model_services.h"

namespace scandesk {

/// Exit statuses: an "info" outcome, an "error" outcome, a usage error.
inline constexpr int kExitInfo = 0;
inline constexpr int kExitError = 1;
inline constexpr int kExitUsage = 2;
/// A scan stopped by a signal exits as shells report a program the signal ended: 128 plus
/// its number (130 for Ctrl-C, 143 for SIGTERM).
inline constexpr int kExitSignalBase = 128;

/// What the command line runs against.
struct CliEnvironment {
    /// The model's services, the network transport using the given scanner port.
    std::function<ScannerModelServices(uint16_t scannerPort)> services;
    /// The default output directory.
    std::function<std::string()> desktopDirectory;
    std::istream& in;
    std::ostream& out;
    std::ostream& err;
    /// Whether `err` is a terminal: progress lines are shown only there.
    bool errIsTerminal = false;
    /// The descriptor `in` reads, if it reads one: a signal then also ends the wait at the
    /// second-pass prompt.
    int inFd = -1;
};

/// Runs one command (the arguments after the program name); returns the exit status.
/// The last line on `out` is the outcome as "<title key>: <message>", after the files a
/// scan left (one absolute path a line); with --json a scan prints one JSON object instead.
int runCli(const std::vector<std::string>& args, const CliEnvironment& env);

}  // namespace scandesk
