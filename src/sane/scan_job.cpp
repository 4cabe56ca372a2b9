// The worker thread of a batch and its page queue.
#include "sane/scan_job.h"

#include <numeric>

#include "common/diagnostics.h"

namespace scandesk::sane {

ScanJob::ScanJob(const ProcessMaker& makeProcess) {
    process_ = makeProcess([this](int pageNo, const Bytes& data) -> std::optional<std::string> {
        {
            std::lock_guard lock(mutex_);
            pages_.push_back({pageNo, data});
        }
        changed_.notify_all();
        return std::nullopt;
    });
    worker_ = std::jthread([this](std::stop_token stop) {
        ScanOutcome outcome;
        try {
            outcome = process_->start(stop);
        } catch (const std::exception& error) {
            outcome = ScanOutcome::failure(ScanCode::unexpectError, 0, error.what());
        }
        diagInfo("scandesk backend: job ended ", outcome);
        {
            std::lock_guard lock(mutex_);
            outcome_ = std::move(outcome);
        }
        changed_.notify_all();
    });
}

ScanJob::~ScanJob() {
    requestStop();
    if (worker_.joinable()) {
        worker_.join();
    }
}

std::variant<ReceivedPage, ScanOutcome> ScanJob::next() {
    std::unique_lock lock(mutex_);
    const std::stop_token stop = worker_.get_stop_token();
    changed_.wait(lock, [&] { return !pages_.empty() || outcome_ || stop.stop_requested(); });
    if (!pages_.empty() && !stop.stop_requested()) {
        ReceivedPage page = std::move(pages_.front());
        pages_.pop_front();
        return page;
    }
    if (stop.stop_requested()) {
        return ScanOutcome::failure(ScanCode::cancelled);
    }
    return *outcome_;
}

void ScanJob::requestStop() {
    {
        // Under the lock, so that a waiter cannot miss the wake-up between test and wait.
        std::lock_guard lock(mutex_);
        worker_.request_stop();
    }
    changed_.notify_all();
}

size_t ScanJob::queuedBytes() const {
    std::lock_guard lock(mutex_);
    return std::accumulate(pages_.begin(), pages_.end(), size_t{0},
                           [](size_t sum, const ReceivedPage& p) { return sum + p.data.size(); });
}

}  // namespace scandesk::sane
