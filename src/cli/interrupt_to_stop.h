// Ctrl-C during a scan as a stop request, so that the scanner is released properly.
#pragma once

#include <atomic>
#include <stop_token>
#include <thread>

#include "network/unique_fd.h"

namespace scandesk {

/// While it lives, SIGINT, SIGTERM and SIGHUP request a stop of `source` instead of ending the
/// process: the scan then ends as cancelled, the scanner is released as after a normal
/// end and the stored pages stay. The previous handlers come back when it goes. One at
/// a time in a process.
class InterruptToStop {
  public:
    explicit InterruptToStop(std::stop_source source);
    ~InterruptToStop();
    InterruptToStop(const InterruptToStop&) = delete;
    InterruptToStop& operator=(const InterruptToStop&) = delete;

    /// The signal that requested the stop, or 0.
    int signal() const { return signal_; }

  private:
    std::atomic<int> signal_{0};
    UniqueFd signalled_;  ///< written by the signal handler
    UniqueFd finished_;   ///< written when the scan is over, to end the watcher
    std::jthread watcher_;
};

}  // namespace scandesk
