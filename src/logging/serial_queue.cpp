// The worker thread of a serial queue and the label of the queue a thread works for.
#include "logging/serial_queue.h"

#include <condition_variable>
#include <deque>
#include <future>
#include <mutex>
#include <thread>

namespace scandesk {
namespace {

// Set on each worker thread for its whole life: the label of the queue it serves.
thread_local const std::string* workerLabel = nullptr;

}  // namespace

struct SerialQueue::State {
    std::string label;
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<Task> tasks;
    bool stopping = false;

    // Runs tasks until stopping with nothing left; `self` keeps the state alive.
    static void run(std::shared_ptr<State> self) {
        workerLabel = &self->label;
        for (;;) {
            Task task;
            {
                std::unique_lock lock(self->mutex);
                self->changed.wait(lock, [&] { return self->stopping || !self->tasks.empty(); });
                if (self->tasks.empty()) {
                    break;
                }
                task = std::move(self->tasks.front());
                self->tasks.pop_front();
            }
            task();
        }
        workerLabel = nullptr;
    }
};

SerialQueue::SerialQueue(std::string label) : label_(label), state_(std::make_shared<State>()) {
    state_->label = std::move(label);
    worker_ = std::thread(&State::run, state_);
}

SerialQueue::~SerialQueue() {
    {
        std::lock_guard lock(state_->mutex);
        state_->stopping = true;
    }
    state_->changed.notify_all();
    if (isCurrent()) {
        // The last task let go of the queue's owner: the worker ends by itself.
        worker_.detach();
    } else {
        worker_.join();
    }
}

void SerialQueue::post(Task task) {
    {
        std::lock_guard lock(state_->mutex);
        state_->tasks.push_back(std::move(task));
    }
    state_->changed.notify_one();
}

void SerialQueue::runAndWait(const Task& task) {
    if (isCurrent()) {
        task();
        return;
    }
    std::promise<void> done;
    post([&] {
        task();
        done.set_value();
    });
    done.get_future().wait();
}

bool SerialQueue::isCurrent() const {
    return std::this_thread::get_id() == worker_.get_id();
}

const std::string* SerialQueue::currentLabel() {
    return workerLabel;
}

}  // namespace scandesk
