// A stop request as a descriptor that poll can wait on beside a socket.
#pragma once

#include <functional>
#include <optional>
#include <stop_token>

#include "network/unique_fd.h"

namespace scandesk {

/// An eventfd that becomes readable once `stop` is requested, so that every poll of a
/// job can end at once. Without a stop token (or when the eventfd cannot be made) the
/// descriptor is -1 and waits run to their time limits.
class StopSignal {
  public:
    explicit StopSignal(std::stop_token stop);
    StopSignal(const StopSignal&) = delete;
    StopSignal& operator=(const StopSignal&) = delete;

    /// The descriptor to poll for reading, or -1.
    int fd() const { return event_.get(); }

  private:
    /// Makes the descriptor readable.
    void raise() const;

    UniqueFd event_;
    // Declared last: it may run `raise` until it is gone, so it goes first.
    std::optional<std::stop_callback<std::function<void()>>> callback_;
};

}  // namespace scandesk
