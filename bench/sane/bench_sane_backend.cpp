// The backend as a frontend drives it (sane_start / sane_read over a batch of A4 pages at
// 300 dpi from the virtual scanner, a separate process on loopback) beside a bare TurboJPEG
// decode of the same pages. Process CPU time counts the backend's worker threads too.
#include <benchmark/benchmark.h>
#include <sane/sane.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <turbojpeg.h>

#include <fstream>
#include <vector>

#include "e2e/child_process.h"
#include "emulator/page_image.h"
#include "support/temp_dir.h"

namespace {

constexpr int kPages = 10;

const char* modeName(bool colour) {
    return colour ? "Color" : "Gray";
}

long peakRssKb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

void BM_BackendBatch(benchmark::State& state) {
    const bool colour = state.range(0) != 0;
    scandesk::testing::TempDir dir;
    std::vector<SANE_Byte> buffer(32768);
    const long rssBefore = peakRssKb();
    for (auto _ : state) {
        state.PauseTiming();
        scandesk::testing::VirtualScanner scanner({"--pages", std::to_string(kPages)});
        std::ofstream(dir.path() + "/scandesk.conf")
            << "net 127.0.0.1:" << scanner.port() << " model Tessel T3\n";
        ::setenv("SANE_CONFIG_DIR", dir.path().c_str(), 1);
        SANE_Handle handle = nullptr;
        sane_init(nullptr, nullptr);
        sane_open("", &handle);
        SANE_Word dpi = 300;
        sane_control_option(handle, 3, SANE_ACTION_SET_VALUE, &dpi, nullptr);
        std::string mode = modeName(colour);
        sane_control_option(handle, 2, SANE_ACTION_SET_VALUE, mode.data(), nullptr);
        state.ResumeTiming();
        int pages = 0;
        while (sane_start(handle) == SANE_STATUS_GOOD) {
            SANE_Int got = 0;
            while (sane_read(handle, buffer.data(), static_cast<SANE_Int>(buffer.size()), &got) ==
                   SANE_STATUS_GOOD) {
                benchmark::DoNotOptimize(buffer.data());
            }
            ++pages;
        }
        state.PauseTiming();
        sane_close(handle);
        sane_exit();
        if (pages != kPages) {
            state.SkipWithError("the batch did not deliver every page");
        }
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kPages);
    state.counters["peak_rss_growth_MB"] = static_cast<double>(peakRssKb() - rssBefore) / 1024;
}

void BM_BareTurboJpegDecode(benchmark::State& state) {
    const bool colour = state.range(0) != 0;
    scandesk::emulator::JobRequest job{300, colour ? "CGRAY" : "GRAY256", 2432, 3441, {}};
    const scandesk::Bytes page = *scandesk::emulator::renderPage(job, 1);
    tjhandle decoder = tjInitDecompress();
    std::vector<unsigned char> pixels(static_cast<size_t>(job.w * job.h * (colour ? 3 : 1)));
    for (auto _ : state) {
        for (int i = 0; i < kPages; ++i) {
            tjDecompress2(decoder, page.data(), page.size(), pixels.data(), 2432, 0, 3441,
                          colour ? TJPF_RGB : TJPF_GRAY, 0);
            benchmark::DoNotOptimize(pixels.data());
        }
    }
    tjDestroy(decoder);
    state.SetItemsProcessed(state.iterations() * kPages);
}

}  // namespace

BENCHMARK(BM_BackendBatch)
    ->Arg(1)
    ->Arg(0)
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK(BM_BareTurboJpegDecode)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
