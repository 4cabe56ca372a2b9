// The facade: registration, lazy messages, dispatch order, flush and thread names.
#include "logging/lumberly.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>

#include "logging/filter_factories.h"
#include "recording_destination.h"
#include "support/captured_lines.h"

namespace scandesk {
namespace {

using testing::RecordingDestination;
using namespace std::chrono_literals;

constexpr auto kGenerousWait = 10s;

class LumberlyTest : public ::testing::Test {
  protected:
    void TearDown() override {
        EXPECT_TRUE(Lumberly::flush(kGenerousWait));
        Lumberly::removeAllDestinations();
    }

    std::shared_ptr<RecordingDestination> added(Level minLevel = Level::verbose) {
        auto destination = std::make_shared<RecordingDestination>();
        destination->format = "$M";
        destination->minLevel = minLevel;
        EXPECT_TRUE(Lumberly::addDestination(destination));
        return destination;
    }
};

TEST_F(LumberlyTest, RegistersEachDestinationOnce) {
    EXPECT_EQ(Lumberly::version, "2.0.0");
    EXPECT_EQ(Lumberly::build, 2000);
    auto first = added();
    EXPECT_FALSE(Lumberly::addDestination(first));
    EXPECT_FALSE(Lumberly::addDestination(nullptr));
    EXPECT_EQ(Lumberly::countDestinations(), 1);
    auto second = added();
    EXPECT_EQ(Lumberly::countDestinations(), 2);
    EXPECT_TRUE(Lumberly::removeDestination(first));
    EXPECT_FALSE(Lumberly::removeDestination(first));
    EXPECT_EQ(Lumberly::countDestinations(), 1);
    Lumberly::removeAllDestinations();
    EXPECT_EQ(Lumberly::countDestinations(), 0);
}

TEST_F(LumberlyTest, MessageIsEvaluatedOnlyWhenTakenAndAtMostOnce) {
    int evaluations = 0;
    auto message = [&] {
        ++evaluations;
        return evaluations;
    };
    Lumberly::info(message);  // no destination at all
    auto strict = added(Level::warning);
    Lumberly::info(message);
    EXPECT_EQ(evaluations, 0);

    auto open = added(Level::verbose);
    auto another = added(Level::verbose);
    Lumberly::info(message);
    EXPECT_EQ(evaluations, 1);
    // Removed destinations are no longer flushed: let their lines land first.
    ASSERT_TRUE(Lumberly::flush(kGenerousWait));

    // A message filter needs the text before it can decide, even to refuse.
    strict->addFilter(Filters::Message::contains({"nothing"}, false, true));
    Lumberly::removeDestination(open);
    Lumberly::removeDestination(another);
    Lumberly::debug(message);
    EXPECT_EQ(evaluations, 2);

    ASSERT_TRUE(Lumberly::flush(kGenerousWait));
    ASSERT_EQ(open->lines().size(), 1u);
    EXPECT_EQ(open->lines()[0].msg, "1");
    EXPECT_TRUE(strict->lines().empty());
}

TEST_F(LumberlyTest, PassesPositionLevelAndContext) {
    auto destination = added();
    Lumberly::warning("paper low", LogContext::of(42),
                      {"/src/session/ScannerModel.cpp", "startScan(uiParam:)", 120});
    Lumberly::custom(Level::error, std::string("jam"));
    const int line = __LINE__ - 1;
    Lumberly::debug(2.5);
    ASSERT_TRUE(Lumberly::flush(kGenerousWait));
    const auto lines = destination->lines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[2].msg, "2.5");
    EXPECT_EQ(lines[0].level, Level::warning);
    EXPECT_EQ(lines[0].file, "/src/session/ScannerModel.cpp");
    EXPECT_EQ(lines[0].function, "startScan()");
    EXPECT_EQ(lines[0].line, 120);
    EXPECT_EQ(lines[0].context, "42");
    EXPECT_EQ(lines[0].thread, "");
    EXPECT_EQ(lines[1].level, Level::error);
    EXPECT_TRUE(lines[1].file.ends_with("lumberly_test.cpp"));
    EXPECT_EQ(lines[1].function, "TestBody()");
    EXPECT_EQ(lines[1].line, line);
    EXPECT_EQ(lines[1].context, std::nullopt);
}

TEST_F(LumberlyTest, FiltersSeeTheFullFunctionName) {
    auto destination = added(Level::error);
    destination->addFilter(Filters::Function::equals({"startScan(uiParam:)"}, true, true));
    Lumberly::info("kept", {"/a.cpp", "startScan(uiParam:)", 1});
    Lumberly::info("dropped", {"/a.cpp", "stopScan()", 1});
    ASSERT_TRUE(Lumberly::flush(kGenerousWait));
    ASSERT_EQ(destination->lines().size(), 1u);
    EXPECT_EQ(destination->lines()[0].msg, "kept");
}

TEST_F(LumberlyTest, EveryThreadsLinesKeepTheirOrder) {
    constexpr int kThreads = 8;
    constexpr int kLinesPerThread = 400;
    auto destination = added();
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            for (int i = 0; i < kLinesPerThread; ++i) {
                Lumberly::info([&] { return std::to_string(t) + ":" + std::to_string(i); });
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    ASSERT_TRUE(Lumberly::flush(kGenerousWait));
    std::vector<int> next(kThreads, 0);
    const auto lines = destination->lines();
    ASSERT_EQ(lines.size(), size_t{kThreads * kLinesPerThread});
    for (const auto& line : lines) {
        const int t = std::stoi(line.msg);
        EXPECT_EQ(line.msg, std::to_string(t) + ":" + std::to_string(next[t]));
        ++next[t];
        EXPECT_TRUE(line.thread.starts_with("thread ")) << line.thread;
    }
}

TEST_F(LumberlyTest, FlushGivesUpOnABlockedDestination) {
    auto blocked = added();
    std::promise<void> release = blocked->holdUp();
    Lumberly::info("stuck");
    EXPECT_FALSE(Lumberly::flush(50ms));
    blocked->asynchronously = false;  // a synchronous destination must not hold flush either
    EXPECT_FALSE(Lumberly::flush(50ms));
    EXPECT_FALSE(Lumberly::flush(int64_t{0}));
    release.set_value();
    EXPECT_TRUE(Lumberly::flush(kGenerousWait));
    EXPECT_EQ(blocked->lines().size(), 1u);
}

TEST_F(LumberlyTest, SynchronousDestinationHasWrittenWhenTheCallReturns) {
    auto destination = added();
    destination->asynchronously = false;
    Lumberly::error("now");
    EXPECT_EQ(destination->lines().size(), 1u);
}

TEST_F(LumberlyTest, DestinationDroppedWhileItsLinesAreQueued) {
    auto destination = added();
    std::promise<void> release = destination->holdUp();
    Lumberly::info("queued");
    Lumberly::removeAllDestinations();
    std::weak_ptr<RecordingDestination> watch = destination;
    destination.reset();  // the queued line now holds the last reference
    release.set_value();
    for (int i = 0; i < 10000 && !watch.expired(); ++i) {
        std::this_thread::sleep_for(1ms);
    }
    EXPECT_TRUE(watch.expired());
}

TEST(ThreadName, NamesMainThreadQueueAndOtherThreads) {
    EXPECT_EQ(Lumberly::threadName(), "");
    std::string other;
    std::thread([&] { other = Lumberly::threadName(); }).join();
    EXPECT_TRUE(other.starts_with("thread ")) << other;

    SerialQueue queue("lumberly-queue-test");
    std::string onQueue;
    queue.runAndWait([&] {
        onQueue = Lumberly::threadName();
        queue.runAndWait([&] { onQueue += "+nested"; });  // no deadlock on its own queue
    });
    EXPECT_EQ(onQueue, "lumberly-queue-test+nested");
}

TEST(SerialQueueFailures, ReachTheWaiterOrADiagnosticLineAndTheQueueGoesOn) {
    testing::CapturedLines lines;
    SerialQueue queue("failing-queue");
    queue.post([] { throw std::runtime_error("posted"); });
    EXPECT_THROW(queue.runAndWait([] { throw std::runtime_error("awaited"); }), std::runtime_error);
    bool ran = false;
    queue.runAndWait([&] { ran = true; });
    EXPECT_TRUE(ran);
    EXPECT_EQ(lines.lines(),
              std::vector<std::string>{"work on queue failing-queue failed: posted"});
}

TEST(CallerFunctionName, StripsReturnTypeScopeAndNotes) {
    const std::vector<std::pair<std::string, std::string>> rows{
        {"void scandesk::Model::startScan(const Params&) const", "startScan(const Params&)"},
        {"startScan(uiParam:)", "startScan(uiParam:)"},
        {"main", "main"},
        {"int f(int (*)(int))", "f(int (*)(int))"},
        {"void ns::C<T>::g(T) [with T = int]", "g(T)"},
        {"scandesk::Model::~Model()", "~Model()"},
    };
    for (const auto& [raw, expected] : rows) {
        EXPECT_EQ(callerFunctionName(raw), expected) << raw;
    }
    EXPECT_EQ(displayFunctionName("startScan(uiParam:)"), "startScan()");
    EXPECT_EQ(displayFunctionName("main"), "main()");
}

}  // namespace
}  // namespace scandesk
