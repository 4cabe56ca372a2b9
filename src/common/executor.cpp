// The executors of the core: manual, serial and one-thread-per-task.
#include "common/executor.h"

namespace scandesk {

void ManualExecutor::post(Task task) {
    {
        std::lock_guard lock(mutex_);
        tasks_.push_back(std::move(task));
    }
    posted_.notify_all();
}

bool ManualExecutor::runOne() {
    Task task;
    {
        std::lock_guard lock(mutex_);
        if (tasks_.empty()) {
            return false;
        }
        task = std::move(tasks_.front());
        tasks_.pop_front();
    }
    task();
    return true;
}

size_t ManualExecutor::runAll() {
    size_t count = 0;
    while (runOne()) {
        ++count;
    }
    return count;
}

size_t ManualExecutor::runFor(std::chrono::milliseconds timeout) {
    {
        std::unique_lock lock(mutex_);
        posted_.wait_for(lock, timeout, [this] { return !tasks_.empty(); });
    }
    return runAll();
}

size_t ManualExecutor::pending() const {
    std::lock_guard lock(mutex_);
    return tasks_.size();
}

SerialExecutor::SerialExecutor() : worker_([this] { run(); }) {}

SerialExecutor::~SerialExecutor() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    worker_.join();
}

void SerialExecutor::post(Task task) {
    {
        std::lock_guard lock(mutex_);
        tasks_.push_back(std::move(task));
    }
    changed_.notify_all();
}

void SerialExecutor::run() {
    for (;;) {
        Task task;
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [this] { return stopping_ || !tasks_.empty(); });
            if (tasks_.empty()) {
                return;
            }
            task = std::move(tasks_.front());
            tasks_.pop_front();
        }
        task();
    }
}

ThreadPerTaskExecutor::~ThreadPerTaskExecutor() {
    std::deque<std::jthread> threads;
    {
        std::lock_guard lock(mutex_);
        threads.swap(threads_);
    }
    // jthread joins on destruction.
}

void ThreadPerTaskExecutor::post(Task task) {
    std::lock_guard lock(mutex_);
    threads_.emplace_back(std::move(task));
}

}  // namespace scandesk
