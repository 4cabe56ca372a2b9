// The worker pool of the per-page pipeline.
#include "ocr/page_pipeline.h"

#include <algorithm>
#include <exception>

namespace scandesk {

int defaultWorkers() {
    return std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
}

PagePipeline::PagePipeline(PipelineOptions options) : options_(std::move(options)) {
    const int count = options_.workers > 0 ? options_.workers : defaultWorkers();
    for (int n = 0; n < count; ++n) {
        threads_.emplace_back([this](std::stop_token stop) { work(std::move(stop)); });
    }
}

PagePipeline::~PagePipeline() {
    for (std::jthread& thread : threads_) {
        thread.request_stop();
    }
    changed_.notify_all();
    threads_.clear();  // joins
}

void PagePipeline::add(int pageNo, std::string file) {
    {
        std::lock_guard lock(mutex_);
        queue_.push_back(Job{pageNo, std::move(file)});
        ++added_;
    }
    changed_.notify_all();
}

std::optional<PagePipeline::Job> PagePipeline::next(std::stop_token stop) {
    std::unique_lock lock(mutex_);
    if (!changed_.wait(lock, stop, [this] { return !queue_.empty(); })) {
        return std::nullopt;
    }
    Job job = std::move(queue_.front());
    queue_.pop_front();
    ++busy_;
    mostBusy_ = std::max(mostBusy_, busy_);
    return job;
}

void PagePipeline::work(std::stop_token stop) {
    // Each worker's own steps, made on its thread.
    std::vector<std::unique_ptr<PageStep>> steps;
    for (const PageStepFactory& make : options_.steps) {
        steps.push_back(make());
    }
    while (std::optional<Job> job = next(stop)) {
        PageAnalysis analysis;
        {
            PageContext page(job->pageNo, job->file);
            for (const auto& step : steps) {
                if (!step || stop.stop_requested()) {
                    continue;
                }
                try {
                    step->run(page, analysis, stop);
                } catch (const std::exception& error) {
                    // A step's failure costs its findings on this page, never the page.
                    analysis.failures.push_back(error.what());
                }
            }
        }  // the decoded page goes before the page counts as done
        {
            std::lock_guard lock(mutex_);
            --busy_;
            results_[job->pageNo] = std::move(analysis);
            ++done_;
            // Told before the waiting `finish` can return, in the order pages are done.
            if (options_.progress && !stop.stop_requested()) {
                options_.progress(done_, added_);
            }
        }
        changed_.notify_all();
    }
}

std::optional<std::map<int, PageAnalysis>> PagePipeline::finish(std::stop_token stop) {
    std::unique_lock lock(mutex_);
    if (!changed_.wait(lock, stop, [this] { return done_ == added_; })) {
        lock.unlock();
        for (std::jthread& thread : threads_) {
            thread.request_stop();
        }
        return std::nullopt;
    }
    return results_;
}

int PagePipeline::mostAtOnce() const {
    std::lock_guard lock(mutex_);
    return mostBusy_;
}

}  // namespace scandesk
