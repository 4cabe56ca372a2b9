// The executors: order, counts, the end of a serial executor, threads, throwing tasks.
#include "common/executor.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <numeric>
#include <stdexcept>

#include "support/captured_lines.h"

namespace scandesk {
namespace {

TEST(Executors, ManualRunsInOrderAndCountsTasksPostedByTasks) {
    ManualExecutor executor;
    std::vector<int> order;
    executor.post([&] {
        order.push_back(1);
        executor.post([&] { order.push_back(3); });
    });
    executor.post([&] { order.push_back(2); });
    EXPECT_EQ(executor.runAll(), 3u);
    EXPECT_EQ(executor.runAll(), 0u);
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
}

TEST(Executors, SerialFinishesQueuedTasksInOrderOnDestruction) {
    std::vector<int> order;
    std::promise<void> release;
    {
        SerialExecutor executor;
        // Held up, so every later task is still queued when the destructor starts.
        executor.post([gate = release.get_future().share()] { gate.wait(); });
        for (int i = 0; i < 100; ++i) {
            executor.post([&order, i] { order.push_back(i); });
        }
        release.set_value();
    }
    std::vector<int> expected(100);
    std::iota(expected.begin(), expected.end(), 0);
    EXPECT_EQ(order, expected);
}

TEST(Executors, ManualRunForWakesOnAPostFromAnotherThread) {
    ManualExecutor main;
    ThreadPerTaskExecutor background;
    std::atomic<bool> ran{false};
    background.post([&] { main.post([&] { ran = true; }); });
    for (int i = 0; i < 100 && !ran; ++i) {
        main.runFor(std::chrono::milliseconds(100));
    }
    EXPECT_TRUE(ran);
}

TEST(Executors, NoExceptionEscapesATaskAndLaterTasksStillRun) {
    testing::CapturedLines quiet;
    std::atomic<int> ran{0};
    {
        ManualExecutor manual;
        SerialExecutor serial;
        ThreadPerTaskExecutor perTask;
        for (Executor* executor : std::initializer_list<Executor*>{&manual, &serial, &perTask}) {
            executor->post([] { throw std::runtime_error("boom"); });
            executor->post([] { throw 42; });
            executor->post([&] { ++ran; });
        }
        EXPECT_EQ(manual.runAll(), 3u);
    }  // the others finish their work here
    EXPECT_EQ(ran, 3);
}

TEST(Executors, ThreadPerTaskJoinsFinishedThreadsAsItGoes) {
    ThreadPerTaskExecutor executor;
    for (int i = 0; i < 50; ++i) {
        std::promise<void> done;
        executor.post([&] { done.set_value(); });
        done.get_future().wait();
    }
    // Only the last few, whose threads were still ending when the next task came.
    EXPECT_LT(executor.threadsHeld(), 10u);
}

}  // namespace
}  // namespace scandesk
