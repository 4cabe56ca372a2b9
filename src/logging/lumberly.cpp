// The facade's destination set and the dispatch of one call to its destinations.
#include "logging/lumberly.h"

#include <pthread.h>
#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <shared_mutex>
#include <vector>

namespace scandesk {
namespace {

using DestinationList = std::vector<Lumberly::Destination>;

// The registered destinations. Readers take the current list without copying it;
// changes build a new list, so a dispatch in progress keeps the one it took.
struct Registry {
    std::shared_mutex mutex;
    std::shared_ptr<const DestinationList> destinations = std::make_shared<DestinationList>();

    // The current list, kept alive for as long as the caller holds it.
    std::shared_ptr<const DestinationList> snapshot() {
        std::shared_lock lock(mutex);
        return destinations;
    }
};

// The one destination set of the process.
Registry& registry() {
    static Registry instance;
    return instance;
}

// Counts down the flush markers of all destinations; shared with the markers, which
// may run after the waiter has given up.
struct FlushLatch {
    std::mutex mutex;
    std::condition_variable done;
    size_t remaining;

    explicit FlushLatch(size_t count) : remaining(count) {}

    // One destination has reached its marker.
    void arrive() {
        std::lock_guard lock(mutex);
        if (--remaining == 0) {
            done.notify_all();
        }
    }

    // Whether every destination reached its marker within the time-out.
    bool waitFor(std::chrono::milliseconds timeout) {
        std::unique_lock lock(mutex);
        return done.wait_for(lock, timeout, [this] { return remaining == 0; });
    }
};

// Whether the calling thread is the process's first thread.
bool isMainThread() {
    thread_local const bool isMain = ::gettid() == ::getpid();
    return isMain;
}

}  // namespace

bool Lumberly::addDestination(Destination destination) {
    if (!destination) {
        return false;
    }
    auto& r = registry();
    std::unique_lock lock(r.mutex);
    if (std::find(r.destinations->begin(), r.destinations->end(), destination) !=
        r.destinations->end()) {
        return false;
    }
    auto changed = std::make_shared<DestinationList>(*r.destinations);
    changed->push_back(std::move(destination));
    r.destinations = std::move(changed);
    return true;
}

bool Lumberly::removeDestination(const Destination& destination) {
    auto& r = registry();
    std::unique_lock lock(r.mutex);
    auto changed = std::make_shared<DestinationList>(*r.destinations);
    const auto found = std::find(changed->begin(), changed->end(), destination);
    if (found == changed->end()) {
        return false;
    }
    changed->erase(found);
    r.destinations = std::move(changed);
    return true;
}

void Lumberly::removeAllDestinations() {
    auto& r = registry();
    std::unique_lock lock(r.mutex);
    r.destinations = std::make_shared<DestinationList>();
}

int Lumberly::countDestinations() {
    return static_cast<int>(registry().snapshot()->size());
}

void Lumberly::custom(Level level, LogMessage message, Where where,
                      std::optional<LogContext> context) {
    dispatch(level, message, where, context);
}

void Lumberly::dispatch(Level level, LogMessage& message, const Where& where,
                        const std::optional<LogContext>& context) {
    const std::shared_ptr<const DestinationList> destinations = registry().snapshot();
    const std::string_view function = callerFunctionName(where.function);
    std::optional<std::string> thread;  // worked out once, for the first taker
    for (const Destination& destination : *destinations) {
        std::optional<std::string_view> filterMessage;
        if (destination->hasMessageFilters()) {
            filterMessage = message.text();
        }
        if (!destination->shouldLevelBeLogged(level, where.file, function, filterMessage)) {
            continue;
        }
        if (!thread) {
            thread = threadName();
        }
        const std::string& text = message.text();
        auto fill = [&](QueuedLine& line) {
            line.level = level;
            line.msg = text;
            line.thread = *thread;
            line.file.assign(where.file);
            line.function.assign(functionStem(function)).append("()");
            line.line = where.line;
            line.hasContext = context.has_value();
            if (context) {
                line.context = context->description;
            }
        };
        if (destination->asynchronously) {
            destination->queue().postLine(destination, fill);
        } else {
            destination->queue().runAndWait([&] {
                QueuedLine line;
                fill(line);
                destination->send(line.level, line.msg, line.thread, line.file, line.function,
                                  line.line,
                                  line.hasContext ? std::optional(line.context) : std::nullopt);
            });
        }
    }
}

bool Lumberly::flush(int64_t secondTimeout) {
    constexpr int64_t kLongestWaitSeconds = int64_t{1} << 32;
    return flush(std::chrono::seconds(std::clamp<int64_t>(secondTimeout, 0, kLongestWaitSeconds)));
}

bool Lumberly::flush(std::chrono::milliseconds timeout) {
    const std::shared_ptr<const DestinationList> destinations = registry().snapshot();
    auto latch = std::make_shared<FlushLatch>(destinations->size());
    for (const Destination& destination : *destinations) {
        // Never a waiting submission, even for a synchronous destination: a blocked
        // queue must not hold the caller past the time-out.
        destination->queue().post([latch] { latch->arrive(); });
    }
    return latch->waitFor(timeout);
}

std::string Lumberly::threadName() {
    if (isMainThread()) {
        return "";
    }
    if (const std::string* label = SerialQueue::currentLabel()) {
        return *label;
    }
    // Named once per thread: asking the kernel on every call would cost a system call.
    thread_local const std::string description = [] {
        char name[32] = {};
        pthread_getname_np(pthread_self(), name, sizeof name);
        std::string text = "thread " + std::to_string(::gettid());
        if (name[0] != '\0') {
            text += " (" + std::string(name) + ")";
        }
        return text;
    }();
    return description;
}

}  // namespace scandesk
