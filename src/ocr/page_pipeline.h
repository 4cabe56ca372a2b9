// The per-page pipeline: a pool of workers that runs the steps on each page as soon as it
// is stored, while the scan goes on.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <stop_token>
#include <thread>
#include <vector>

#include "ocr/page_step.h"

namespace scandesk {

/// How a pipeline runs.
struct PipelineOptions {
    int workers = 0;  ///< threads; 0: one per core
    /// The steps, in order (blank check, orientation, skew, recognition), each optional.
    std::vector<PageStepFactory> steps;
    /// Told on a worker thread each time a page is done: pages done, pages added so far.
    /// It must not call the pipeline.
    std::function<void(int done, int added)> progress;
};

/// Analyses the pages handed to it, each by one worker, one page per worker at a time
/// (so no more pages are decoded at once than there are workers). Dropping the pipeline
/// stops the workers at once and waits for them.
class PagePipeline {
  public:
    explicit PagePipeline(PipelineOptions options);
    ~PagePipeline();
    PagePipeline(const PagePipeline&) = delete;
    PagePipeline& operator=(const PagePipeline&) = delete;

    /// Queues a stored page (its number and file); returns at once. A page number added
    /// again replaces the earlier result.
    void add(int pageNo, std::string file);

    /// Waits until every page added so far is analysed and returns the findings by page
    /// number; nothing when `stop` is requested first, and the workers are then stopped.
    std::optional<std::map<int, PageAnalysis>> finish(std::stop_token stop);

    /// The number of workers.
    int workers() const { return static_cast<int>(threads_.size()); }
    /// The most pages that were being analysed at the same time.
    int mostAtOnce() const;

  private:
    struct Job {
        int pageNo;
        std::string file;
    };
    void work(std::stop_token stop);
    std::optional<Job> next(std::stop_token stop);

    PipelineOptions options_;
    mutable std::mutex mutex_;
    std::condition_variable_any changed_;
    std::deque<Job> queue_;
    std::map<int, PageAnalysis> results_;
    int added_ = 0;
    int done_ = 0;
    int busy_ = 0;
    int mostBusy_ = 0;
    std::vector<std::jthread> threads_;  // last: stopped and joined before the rest goes
};

/// The number of workers by default: one per core.
int defaultWorkers();

}  // namespace scandesk
