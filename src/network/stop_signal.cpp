// The eventfd behind a job's stop request.
#include "network/stop_signal.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>
#include <functional>

namespace scandesk {

StopSignal::StopSignal(std::stop_token stop) {
    if (!stop.stop_possible()) {
        return;
    }
    event_.reset(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (event_) {
        // Runs at once when the stop was requested already.
        callback_.emplace(std::move(stop), std::function<void()>([this] { raise(); }));
    }
}

void StopSignal::raise() const {
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(event_.get(), &one, sizeof(one));
}

}  // namespace scandesk
