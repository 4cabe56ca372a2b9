// A labelled queue that runs its tasks one after another on its own worker thread.
#pragma once

#include <memory>
#include <string>
#include <thread>

#include "common/executor.h"

namespace scandesk {

/// A destination's serial queue: tasks run in posting order on one worker thread.
/// Destruction runs the queued tasks and joins the worker; destroyed by a task on its
/// own worker (the task held the last reference to the queue's owner), the worker
/// finishes the queue and ends by itself.
class SerialQueue final : public Executor {
  public:
    explicit SerialQueue(std::string label);
    ~SerialQueue() override;
    SerialQueue(const SerialQueue&) = delete;
    SerialQueue& operator=(const SerialQueue&) = delete;

    /// Queues a task; never waits for it.
    void post(Task task) override;
    /// Runs a task on the queue and waits for it; on the queue's own worker it runs
    /// at once, since waiting there would never end.
    void runAndWait(const Task& task);

    const std::string& label() const { return label_; }
    /// Whether the calling thread is this queue's worker.
    bool isCurrent() const;

    /// The label of the queue whose worker is the calling thread, or none.
    static const std::string* currentLabel();

  private:
    struct State;
    std::string label_;
    std::shared_ptr<State> state_;
    std::thread worker_;
};

}  // namespace scandesk
