// The executors of the core: manual, serial and one-thread-per-task.
#include "common/executor.h"

#include <exception>

#include "common/diagnostics.h"

namespace scandesk {

namespace {

constexpr std::string_view kTask = "task";

}  // namespace

void reportCaughtException(std::string_view where) noexcept {
    try {
        try {
            throw;
        } catch (const std::exception& error) {
            diagError(where, " failed: ", error.what());
        } catch (...) {
            diagError(where, " failed: unknown exception");
        }
    } catch (...) {
        // Not even the line could be written; going on matters more.
    }
}

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
    guarded(kTask, task);
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
        guarded(kTask, task);
    }
}

ThreadPerTaskExecutor::~ThreadPerTaskExecutor() {
    std::list<std::jthread> finished;
    {
        std::unique_lock lock(mutex_);
        idle_.wait(lock, [this] { return running_.empty(); });
        finished.swap(finished_);
    }
    // jthread joins on destruction, here outside the lock.
}

void ThreadPerTaskExecutor::post(Task task) {
    std::list<std::jthread> finished;
    {
        std::lock_guard lock(mutex_);
        finished.swap(finished_);
        const auto slot = running_.emplace(running_.end());
        // The thread cannot move its slot before this assignment: it needs the lock.
        *slot = std::jthread([this, slot, task = std::move(task)] {
            guarded(kTask, task);
            std::lock_guard done(mutex_);
            finished_.splice(finished_.end(), running_, slot);
            idle_.notify_all();
        });
    }
    // The finished threads are joined here, outside the lock; each has only its return
    // left to do.
}

size_t ThreadPerTaskExecutor::threadsHeld() const {
    std::lock_guard lock(mutex_);
    return running_.size() + finished_.size();
}

}  // namespace scandesk
