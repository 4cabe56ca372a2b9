// A signal handler that only writes to an eventfd, and a thread that turns the write
// into a stop request (requesting a stop is not safe inside a signal handler).
#include "cli/interrupt_to_stop.h"

#include <poll.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>

namespace scandesk {
namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM};

// The descriptor the handler writes to: a signal handler can reach nothing else.
std::atomic<int> gSignalledFd{-1};
struct sigaction gPrevious[2];

// Hands the signal's number over through the eventfd's counter.
void onSignal(int number) {
    const auto value = static_cast<uint64_t>(number);
    [[maybe_unused]] const ssize_t written = ::write(gSignalledFd.load(), &value, sizeof(value));
}

}  // namespace

InterruptToStop::InterruptToStop(std::stop_source source)
    : signalled_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)),
      finished_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    if (!signalled_ || !finished_) {
        return;  // Ctrl-C keeps its default meaning
    }
    gSignalledFd = signalled_.get();
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (size_t i = 0; i < std::size(kSignals); ++i) {
        ::sigaction(kSignals[i], &action, &gPrevious[i]);
    }
    watcher_ = std::jthread([this, source]() mutable {
        pollfd entries[2] = {{signalled_.get(), POLLIN, 0}, {finished_.get(), POLLIN, 0}};
        while (::poll(entries, 2, -1) < 0 && errno == EINTR) {
        }
        uint64_t number = 0;
        if ((entries[0].revents & POLLIN) &&
            ::read(signalled_.get(), &number, sizeof(number)) == sizeof(number)) {
            signal_ = static_cast<int>(number);  // two signals at once add up: either will do
            source.request_stop();
        }
    });
}

InterruptToStop::~InterruptToStop() {
    if (!watcher_.joinable()) {
        return;
    }
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(finished_.get(), &one, sizeof(one));
    watcher_.join();
    for (size_t i = 0; i < std::size(kSignals); ++i) {
        ::sigaction(kSignals[i], &gPrevious[i], nullptr);
    }
    gSignalledFd = -1;
}

}  // namespace scandesk
