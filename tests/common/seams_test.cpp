// The seams: diagnostic sink, localisation lookup and executors.
#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <stdexcept>
#include <thread>

#include "common/diagnostics.h"
#include "common/executor.h"
#include "common/localization.h"
#include "common/result_pair.h"
#include "support/captured_lines.h"

namespace scandesk {
namespace {

TEST(Diagnostics, ConcurrentLinesArriveWholeAndFormattedLinesLoseOneLineEnd) {
    testing::CapturedLines lines;
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([t] {
            for (int i = 0; i < 200; ++i) {
                diagDebug("thread ", t, " line ", i);
            }
        });
    }
    for (auto& t : threads) {
        t.join();
    }
    EXPECT_EQ(lines.lines().size(), 1600u);
    EXPECT_EQ(lines.count("thread 3 line 199"), 1u);
    diagf(DiagLevel::verbose, "socketFd = %d ,try times = %d ,readlen = %d\n", 5, 1, -1);
    diagf(DiagLevel::info, "no line end %s", "here");
    EXPECT_TRUE(lines.contains("socketFd = 5 ,try times = 1 ,readlen = -1"));
    EXPECT_TRUE(lines.contains("no line end here"));
}

TEST(Diagnostics, ScopedSinkTakesItsLevelsAndRestoresThePreviousOne) {
    testing::CapturedLines outer;
    {
        std::vector<std::pair<DiagLevel, std::string>> inner;
        ScopedDiagnosticSink sink(
            [&](DiagLevel level, std::string_view l) { inner.emplace_back(level, l); },
            DiagLevel::info);
        diagDebug("below");
        diagInfo("inner");
        diagError("fault");
        EXPECT_FALSE(diagWanted(DiagLevel::verbose));
        EXPECT_EQ(inner, (std::vector<std::pair<DiagLevel, std::string>>{
                             {DiagLevel::info, "inner"}, {DiagLevel::error, "fault"}}));
        {
            ScopedDiagnosticSink silent(LineSink{});
            EXPECT_FALSE(diagWanted(DiagLevel::error));
        }
    }
    diagVerbose("outer");
    EXPECT_EQ(outer.lines(), std::vector<std::string>{"outer"});
}

TEST(Localization, MissingEntriesShowTheKey) {
    EXPECT_EQ(localized("noScannerFound"), "noScannerFound");
    auto previous = setLocalizer(
        [](std::string_view key) -> std::string { return key == "error" ? "Error" : ""; });
    EXPECT_EQ(localized("error"), "Error");
    EXPECT_EQ(localized("info"), "info");
    setLocalizer(std::move(previous));
    EXPECT_EQ(localized("error"), "error");
}

TEST(Executors, ManualRunsInOrderIncludingTasksPostedByTasks) {
    ManualExecutor executor;
    std::vector<int> order;
    executor.post([&] {
        order.push_back(1);
        executor.post([&] { order.push_back(3); });
    });
    executor.post([&] { order.push_back(2); });
    EXPECT_EQ(executor.pending(), 2u);
    EXPECT_EQ(executor.runAll(), 3u);
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
}

TEST(Executors, SerialKeepsOrderAndFinishesQueuedWorkOnDestruction) {
    std::vector<int> order;
    {
        SerialExecutor executor;
        for (int i = 0; i < 100; ++i) {
            executor.post([&order, i] { order.push_back(i); });
        }
    }
    ASSERT_EQ(order.size(), 100u);
    for (int i = 0; i < 100; ++i) {
        EXPECT_EQ(order[static_cast<size_t>(i)], i);
    }
}

TEST(Executors, ManualRunForWakesOnAPostFromAnotherThread) {
    ManualExecutor main;
    ThreadPerTaskExecutor background;
    std::atomic<bool> ran{false};
    background.post([&] { main.post([&] { ran = true; }); });
    size_t count = 0;
    for (int i = 0; i < 100 && count == 0; ++i) {
        count = main.runFor(std::chrono::milliseconds(100));
    }
    EXPECT_TRUE(ran);
}

TEST(Executors, AThrowingTaskIsReportedAndLaterTasksStillRun) {
    testing::CapturedLines lines;
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
    EXPECT_EQ(lines.count("task failed: boom"), 3u);
    EXPECT_EQ(lines.count("task failed: unknown exception"), 3u);
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

TEST(ResultPairs, PrintAsLabelledPair) {
    EXPECT_EQ(describe(ResultPair{true, "3"}), "(status: true, message: \"3\")");
    EXPECT_EQ(describe(ResultPair{false, "scannerBusy"}),
              "(status: false, message: \"scannerBusy\")");
}

}  // namespace
}  // namespace scandesk
