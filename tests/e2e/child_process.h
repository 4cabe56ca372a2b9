// Programs started by the end-to-end tests: the virtual scanner and scandesk-cli.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace scandesk::testing {

/// The virtual scanner on 127.0.0.1 and a port the system picked, with the given extra
/// options. Stopped (by its process id) when the object goes.
class VirtualScanner {
  public:
    explicit VirtualScanner(const std::vector<std::string>& options);
    ~VirtualScanner();
    VirtualScanner(const VirtualScanner&) = delete;
    VirtualScanner& operator=(const VirtualScanner&) = delete;

    uint16_t port() const { return port_; }

  private:
    pid_t pid_ = -1;
    int output_ = -1;
    uint16_t port_ = 0;
};

/// What a finished program left behind.
struct ProgramRun {
    int status = -1;  ///< exit status, or -1 when it did not exit normally
    std::string out;
    std::string err;
};

/// Runs a program to its end with `input` on standard input; killed after `limit`. With
/// `holdInput` its standard input is a pipe that stays open and empty until it ends.
ProgramRun runProgram(const std::vector<std::string>& argv, const std::string& input,
                      std::chrono::seconds limit, bool holdInput = false);

/// The page count pdfinfo reads from a PDF, or -1.
int pdfPageCount(const std::string& path);

}  // namespace scandesk::testing
