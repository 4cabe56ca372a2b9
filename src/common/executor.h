// Where work items run: the seam between the session core and its threads.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <list>
#include <mutex>
#include <string_view>
#include <thread>
#include <type_traits>

namespace scandesk {

using Task = std::function<void()>;

/// Writes the exception being handled as a diagnostic line "`where` failed: ...".
/// Only for use inside a catch block.
void reportCaughtException(std::string_view where) noexcept;

/// Runs `work` so that no exception leaves it (thread bodies, callbacks from C
/// libraries): one thrown is reported and `fallback` returned instead.
template <typename Work, typename Result = std::invoke_result_t<Work&>>
Result guarded(std::string_view where, Work&& work, Result fallback) noexcept {
    try {
        return work();
    } catch (...) {
        reportCaughtException(where);
        return fallback;
    }
}

/// `guarded` for work without a result.
template <typename Work>
void guarded(std::string_view where, Work&& work) noexcept {
    try {
        work();
    } catch (...) {
        reportCaughtException(where);
    }
}

/// Runs posted tasks somewhere else, later; `post` never blocks on the task itself.
/// A task that throws is reported as "task failed: ..." and the executor goes on.
class Executor {
  public:
    virtual ~Executor() = default;
    virtual void post(Task task) = 0;
};

/// Keeps posted tasks until the owner runs them: the main loop of the CLI and the
/// hand-cranked queue of tests.
class ManualExecutor final : public Executor {
  public:
    void post(Task task) override;

    /// Runs every task queued so far and those they post; returns how many ran.
    size_t runAll();
    /// Runs the oldest task, if any; returns whether one ran.
    bool runOne();
    /// Waits until a task is queued or the deadline passes, then runs what is queued.
    /// Returns how many ran.
    size_t runFor(std::chrono::milliseconds timeout);
    size_t pending() const;

  private:
    mutable std::mutex mutex_;
    std::condition_variable posted_;
    std::deque<Task> tasks_;
};

/// One worker thread that runs tasks in posting order. The destructor finishes the
/// queued tasks and joins the thread.
class SerialExecutor final : public Executor {
  public:
    SerialExecutor();
    ~SerialExecutor() override;
    SerialExecutor(const SerialExecutor&) = delete;
    SerialExecutor& operator=(const SerialExecutor&) = delete;

    void post(Task task) override;

  private:
    void run();

    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Task> tasks_;
    bool stopping_ = false;
    std::thread worker_;
};

/// Starts a new thread per task, for independent long-running work such as
/// discovery runs that may overlap. Finished threads are joined at the next post; the
/// destructor waits for the running ones.
class ThreadPerTaskExecutor final : public Executor {
  public:
    ThreadPerTaskExecutor() = default;
    ~ThreadPerTaskExecutor() override;
    ThreadPerTaskExecutor(const ThreadPerTaskExecutor&) = delete;
    ThreadPerTaskExecutor& operator=(const ThreadPerTaskExecutor&) = delete;

    void post(Task task) override;
    /// The threads not joined yet, running or finished.
    size_t threadsHeld() const;

  private:
    mutable std::mutex mutex_;
    std::condition_variable idle_;
    std::list<std::jthread> running_;
    // Threads whose task is done, moved here by themselves as their last step.
    std::list<std::jthread> finished_;
};

}  // namespace scandesk
