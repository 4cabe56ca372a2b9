// A test destination that keeps every line it is sent, and can be held up on purpose.
#pragma once

#include <future>
#include <mutex>
#include <string>
#include <vector>

#include "logging/base_destination.h"

namespace scandesk::testing {

/// One call as a destination received it.
struct SentLine {
    Level level;
    std::string msg;
    std::string thread;
    std::string file;
    std::string function;
    int line;
    std::optional<std::string> context;
    std::string rendered;
};

class RecordingDestination : public BaseDestination {
  public:
    std::optional<std::string> send(Level level, const std::string& msg, const std::string& thread,
                                    const std::string& file, const std::string& function, int line,
                                    const std::optional<std::string>& context) override {
        if (gate_) {
            gate_->wait();
        }
        auto text = BaseDestination::send(level, msg, thread, file, function, line, context);
        std::lock_guard lock(mutex_);
        lines_.push_back({level, msg, thread, file, function, line, context, text.value_or("")});
        return text;
    }

    /// Every send waits until the returned promise is fulfilled.
    std::promise<void> holdUp() {
        std::promise<void> release;
        gate_ = release.get_future().share();
        return release;
    }

    std::vector<SentLine> lines() const {
        std::lock_guard lock(mutex_);
        return lines_;
    }

  private:
    mutable std::mutex mutex_;
    std::vector<SentLine> lines_;
    std::optional<std::shared_future<void>> gate_;
};

}  // namespace scandesk::testing
