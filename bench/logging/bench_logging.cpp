// Cost of an info call with an asynchronous file destination, and file lines per second,
// measured beside the peer's asynchronous file logger in the same run.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <thread>

#include "logging/file_destination.h"
#include "logging/lumberly.h"

#ifdef SCANDESK_BENCH_PEER
#include <spdlog/async.h>
#include <spdlog/async_logger.h>
#include <spdlog/sinks/basic_file_sink.h>
#endif

namespace scandesk {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Lines logged between two drains, so that neither logger's queue ever fills up and
// the caller-side figure is the cost of handing a line over, not of writing it.
constexpr int64_t kBatchLines = 4096;
// The peer's queue holds two batches, so it never blocks its caller either.
constexpr size_t kPeerQueueLines = 2 * kBatchLines;
constexpr int64_t kEndToEndLines = 100000;
constexpr auto kDrainWait = 60s;

// A log file in a fresh folder of its own, removed at the end.
class ScratchLog {
  public:
    explicit ScratchLog(const std::string& name)
        : dir_(fs::temp_directory_path() /
               ("scandesk-bench-" + std::to_string(::getpid()) + "-" + name)) {
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    ~ScratchLog() { fs::remove_all(dir_); }
    fs::path file() const { return dir_ / "bench.log"; }

  private:
    fs::path dir_;
};

std::shared_ptr<FileDestination> registeredFileDestination(const fs::path& file) {
    auto destination = std::make_shared<FileDestination>(file);
    Lumberly::removeAllDestinations();
    Lumberly::addDestination(destination);
    return destination;
}

void BM_InfoCallerSide_Lumberly(benchmark::State& state) {
    ScratchLog log("caller");
    auto destination = registeredFileDestination(log.file());
    int64_t i = 0;
    for (auto _ : state) {
        Lumberly::info([&] { return "scan page " + std::to_string(i); });
        if (++i % kBatchLines == 0) {
            state.PauseTiming();
            Lumberly::flush(kDrainWait);
            state.ResumeTiming();
        }
    }
    Lumberly::flush(kDrainWait);
    Lumberly::removeAllDestinations();
}
BENCHMARK(BM_InfoCallerSide_Lumberly);

void BM_FileLinesPerSecond_Lumberly(benchmark::State& state) {
    ScratchLog log("throughput");
    auto destination = registeredFileDestination(log.file());
    for (auto _ : state) {
        for (int64_t i = 0; i < kEndToEndLines; ++i) {
            Lumberly::info([&] { return "scan page " + std::to_string(i); });
        }
        Lumberly::flush(kDrainWait);
    }
    state.SetItemsProcessed(state.iterations() * kEndToEndLines);
    Lumberly::removeAllDestinations();
}
BENCHMARK(BM_FileLinesPerSecond_Lumberly)->Unit(benchmark::kMillisecond)->UseRealTime();

#ifdef SCANDESK_BENCH_PEER

// The peer's asynchronous logger on its own one-thread pool, writing a similar line.
struct PeerLogger {
    std::shared_ptr<spdlog::details::thread_pool> pool =
        std::make_shared<spdlog::details::thread_pool>(kPeerQueueLines, 1);
    std::shared_ptr<spdlog::async_logger> logger;

    explicit PeerLogger(const fs::path& file) {
        auto sink = std::make_shared<spdlog::sinks::basic_file_sink_mt>(file.string());
        logger = std::make_shared<spdlog::async_logger>("bench", sink, pool,
                                                        spdlog::async_overflow_policy::block);
        logger->set_pattern("%H:%M:%S.%e %l %s.%!:%# - %v");
    }

    // Waits until the pool has taken every queued line.
    void drain() {
        while (pool->queue_size() > 0) {
            std::this_thread::sleep_for(100us);
        }
    }
};

void BM_InfoCallerSide_Peer(benchmark::State& state) {
    ScratchLog log("peer-caller");
    PeerLogger peer(log.file());
    int64_t i = 0;
    for (auto _ : state) {
        peer.logger->info("scan page {}", i);
        if (++i % kBatchLines == 0) {
            state.PauseTiming();
            peer.drain();
            state.ResumeTiming();
        }
    }
    peer.drain();
}
BENCHMARK(BM_InfoCallerSide_Peer);

void BM_FileLinesPerSecond_Peer(benchmark::State& state) {
    ScratchLog log("peer-throughput");
    for (auto _ : state) {
        PeerLogger peer(log.file());
        for (int64_t i = 0; i < kEndToEndLines; ++i) {
            peer.logger->info("scan page {}", i);
        }
        // Releasing the pool joins its worker after the last queued line is written.
        peer.logger.reset();
        peer.pool.reset();
    }
    state.SetItemsProcessed(state.iterations() * kEndToEndLines);
}
BENCHMARK(BM_FileLinesPerSecond_Peer)->Unit(benchmark::kMillisecond)->UseRealTime();

#endif

}  // namespace
}  // namespace scandesk

BENCHMARK_MAIN();
