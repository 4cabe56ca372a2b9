// The worker thread of a serial queue and the label of the queue a thread works for.
#include "logging/serial_queue.h"

#include <condition_variable>
#include <future>
#include <mutex>
#include <vector>

namespace scandesk {
namespace {

// Set on each worker thread for its whole life: the label of the queue it serves.
thread_local const std::string* workerLabel = nullptr;

// A task, or (when empty) the next line of the line pool.
using Item = Task;

// Queued work: items in order, and the line records they refer to. Two of these
// change places between the posting side and the worker, keeping their storage.
struct Batch {
    std::vector<Item> items;
    std::vector<QueuedLine> lines;
    size_t linesUsed = 0;

    // Whether nothing is queued.
    bool empty() const { return items.empty(); }

    // Queues a line item and returns its record, reusing one from earlier runs.
    QueuedLine& nextLine() {
        if (linesUsed == lines.size()) {
            lines.emplace_back();
        }
        items.emplace_back();
        return lines[linesUsed++];
    }

    // Takes back the line queued last.
    void dropLastLine() {
        items.pop_back();
        --linesUsed;
    }

    // Empties the batch, keeping its storage.
    void clear() {
        items.clear();
        linesUsed = 0;
    }
};

}  // namespace

struct SerialQueue::State {
    std::string label;
    // How a failure of queued work is named in its diagnostic line.
    std::string failureWhere;
    LineHandler lineHandler;
    std::mutex mutex;
    std::condition_variable changed;
    Batch pending;
    bool stopping = false;
    // True while the worker sleeps; posting wakes it only then.
    bool idle = false;
    // Whoever posted lines, kept alive until they are written.
    std::shared_ptr<void> owner;

    // Runs tasks and lines in order; a task sees every line before it handled. Whatever
    // throws is reported and the queue goes on: the worker thread must not end the process.
    void runBatch(Batch& batch) {
        const LineHandler& handler = lineHandler;
        const auto run = [this](const auto& work) { guarded(failureWhere, work); };
        size_t nextLine = 0;
        bool inLineRun = false;
        for (Item& item : batch.items) {
            if (item) {
                if (inLineRun && handler.runEnd) {
                    run(handler.runEnd);
                }
                inLineRun = false;
                run(item);
                continue;
            }
            if (!inLineRun && handler.runStart) {
                run(handler.runStart);
            }
            inLineRun = true;
            if (handler.line) {
                run([&] { handler.line(batch.lines[nextLine]); });
            }
            ++nextLine;
        }
        if (inLineRun && handler.runEnd) {
            run(handler.runEnd);
        }
    }

    // Runs work until stopping with nothing left; `self` keeps the state alive. The
    // worker takes everything queued at once, so callers rarely meet it at the lock.
    static void run(std::shared_ptr<State> self) {
        workerLabel = &self->label;
        Batch batch;
        for (;;) {
            std::shared_ptr<void> finishedOwner;
            {
                std::unique_lock lock(self->mutex);
                if (self->pending.empty()) {
                    finishedOwner = std::move(self->owner);
                }
                while (!self->stopping && self->pending.empty() && !finishedOwner) {
                    self->idle = true;
                    self->changed.wait(lock);
                    self->idle = false;
                }
                std::swap(batch, self->pending);
            }
            // Let go of the owner outside the lock: this may end the queue itself.
            finishedOwner.reset();
            if (batch.empty()) {
                std::lock_guard lock(self->mutex);
                if (self->stopping && self->pending.empty()) {
                    break;
                }
                continue;
            }
            self->runBatch(batch);
            batch.clear();
        }
        workerLabel = nullptr;
    }
};

SerialQueue::SerialQueue(std::string label, LineHandler lineHandler)
    : label_(label), state_(std::make_shared<State>()) {
    state_->failureWhere = "work on queue " + label;
    state_->label = std::move(label);
    state_->lineHandler = std::move(lineHandler);
    worker_ = std::thread(&State::run, state_);
}

SerialQueue::~SerialQueue() {
    {
        std::lock_guard lock(state_->mutex);
        state_->stopping = true;
    }
    state_->changed.notify_all();
    if (isCurrent()) {
        worker_.detach();
    } else {
        worker_.join();
    }
}

void SerialQueue::post(Task task) {
    if (!task) {
        return;
    }
    bool wake = false;
    {
        std::lock_guard lock(state_->mutex);
        state_->pending.items.push_back(std::move(task));
        wake = state_->idle;
    }
    if (wake) {
        state_->changed.notify_one();
    }
}

QueuedLine& SerialQueue::acquireLine(const std::shared_ptr<void>& owner) {
    state_->mutex.lock();
    if (!state_->owner) {
        state_->owner = owner;
    }
    return state_->pending.nextLine();
}

void SerialQueue::releaseLine(bool keep) {
    if (!keep) {
        state_->pending.dropLastLine();
    }
    const bool wake = keep && state_->idle;
    state_->mutex.unlock();
    if (wake) {
        state_->changed.notify_one();
    }
}

void SerialQueue::runAndWait(const Task& task) {
    if (isCurrent()) {
        task();
        return;
    }
    std::promise<void> done;
    post([&] {
        // The failure belongs to the waiting caller, not to the worker.
        try {
            task();
            done.set_value();
        } catch (...) {
            done.set_exception(std::current_exception());
        }
    });
    done.get_future().get();
}

bool SerialQueue::isCurrent() const {
    return std::this_thread::get_id() == worker_.get_id();
}

const std::string* SerialQueue::currentLabel() {
    return workerLabel;
}

}  // namespace scandesk
