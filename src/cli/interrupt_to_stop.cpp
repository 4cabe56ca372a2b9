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
#include <iterator>

namespace scandesk {
namespace {

// Ctrl-C, a polite kill, and the terminal going away.
constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

// What the handler can reach: a signal handler may touch only lock-free atomics and
// async-signal-safe calls.
std::atomic<int> gSignalledFd{-1};
std::atomic<int> gFirstSignal{0};
struct sigaction gPrevious[std::size(kSignals)];

// Keeps the first signal's number (an eventfd's counter would add two signals up into
// a number that names neither) and wakes the watcher.
void onSignal(int number) {
    int none = 0;
    gFirstSignal.compare_exchange_strong(none, number);
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(gSignalledFd.load(), &one, sizeof(one));
}

}  // namespace

InterruptToStop::InterruptToStop(std::stop_source source)
    : signalled_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)),
      finished_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    if (!signalled_ || !finished_) {
        return;  // Ctrl-C keeps its default meaning
    }
    gFirstSignal = 0;
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
        uint64_t count = 0;
        if ((entries[0].revents & POLLIN) &&
            ::read(signalled_.get(), &count, sizeof(count)) == sizeof(count)) {
            signal_ = gFirstSignal.load();
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
