// One batch of pages: the scan job runs on a worker thread and hands pages to a queue.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>
#include <thread>
#include <variant>

#include "common/bytes.h"
#include "protocol/scan_process.h"

namespace scandesk::sane {

/// One complete page as the scanner sent it.
struct ReceivedPage {
    int number = 0;
    Bytes data;
};

/// Makes the job's scan process around the sink that receives its pages.
using ProcessMaker = std::function<std::unique_ptr<ScanProcess>(PageSink sink)>;

/// Runs one scan job in the background. Pages wait in a queue until taken; the job's
/// outcome follows the last page.
class ScanJob {
  public:
    explicit ScanJob(const ProcessMaker& makeProcess);
    /// Stops the job (releasing the scanner) and waits for the worker.
    ~ScanJob();
    ScanJob(const ScanJob&) = delete;
    ScanJob& operator=(const ScanJob&) = delete;

    /// Waits for the next page, or for the job's end when no page is left. A stop request
    /// ends the wait at once as cancelled.
    std::variant<ReceivedPage, ScanOutcome> next();
    /// Asks the job to stop; `next` returns at once.
    void requestStop();
    /// Compressed bytes waiting in the queue.
    size_t queuedBytes() const;

  private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<ReceivedPage> pages_;
    std::optional<ScanOutcome> outcome_;
    std::unique_ptr<ScanProcess> process_;
    std::jthread worker_;  // last: it uses everything above
};

}  // namespace scandesk::sane
