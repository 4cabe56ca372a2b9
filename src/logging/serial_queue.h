// A labelled queue that runs its work one item after another on its own worker thread.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "common/executor.h"
#include "logging/queued_line.h"

namespace scandesk {

/// A destination's serial queue: tasks and log lines run in posting order on one
/// worker thread; a task or line handler that throws is reported as a diagnostic line
/// and the queue goes on. Destruction runs what is queued and joins the worker;
/// destroyed on its own worker (the last reference to its owner was let go there), the
/// worker finishes the queue and ends by itself.
class SerialQueue final : public Executor {
  public:
    /// What the worker does with posted lines: `line` for each, `runStart` before and
    /// `runEnd` after each run of lines that follow one another without a task between.
    struct LineHandler {
        std::function<void(const QueuedLine& line)> line;
        std::function<void()> runStart;
        std::function<void()> runEnd;
    };

    explicit SerialQueue(std::string label, LineHandler lineHandler = {});
    ~SerialQueue() override;
    SerialQueue(const SerialQueue&) = delete;
    SerialQueue& operator=(const SerialQueue&) = delete;

    /// Queues a task; never waits for it.
    void post(Task task) override;
    /// Queues a line, filled in place by `fill` (which runs at once, under the queue's
    /// lock). `owner` is kept alive until the queue has run dry.
    template <typename Fill>
    void postLine(const std::shared_ptr<void>& owner, Fill&& fill);
    /// Runs a task on the queue and waits for it, rethrowing what it threw; on the
    /// queue's own worker it runs at once, since waiting there would never end.
    void runAndWait(const Task& task);

    const std::string& label() const { return label_; }
    /// Whether the calling thread is this queue's worker.
    bool isCurrent() const;

    /// The label of the queue whose worker is the calling thread, or none.
    static const std::string* currentLabel();

  private:
    struct State;
    /// Takes the queue's lock and returns a line record to fill; `releaseLine` follows.
    QueuedLine& acquireLine(const std::shared_ptr<void>& owner);
    /// Queues the filled line (or, without `keep`, drops it) and lets go of the lock.
    void releaseLine(bool keep);

    std::string label_;
    std::shared_ptr<State> state_;
    std::thread worker_;
};

template <typename Fill>
void SerialQueue::postLine(const std::shared_ptr<void>& owner, Fill&& fill) {
    QueuedLine& line = acquireLine(owner);
    try {
        fill(line);
    } catch (...) {
        releaseLine(false);
        throw;
    }
    releaseLine(true);
}

}  // namespace scandesk
