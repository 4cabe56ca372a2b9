// Google Benchmark programs for page saving, combining and PDF assembly.
#include <benchmark/benchmark.h>
#include <turbojpeg.h>

#include <filesystem>
#include <memory>

#include "common/diagnostics.h"
#include "imaging/blank_page.h"
#include "imaging/combine_image.h"
#include "imaging/jpeg_codec.h"
#include "imaging/page_files.h"
#include "imaging/save_images.h"
#include "imaging/save_jpeg.h"
#include "imaging/save_pdf.h"
#include "imaging/skew.h"
#include "ocr/clean_up_step.h"
#include "synthetic_page.h"

namespace scandesk::bench {
namespace {

constexpr int kA4Width300 = 2432;
constexpr int kA4Height300 = 3441;
constexpr int kPdfPages = 50;

/// A scratch directory for one benchmark, removed afterwards.
struct Scratch {
    std::filesystem::path path;
    Scratch() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "bench-imaging-XXXXXX").string();
        path = ::mkdtemp(pattern.data()) ? pattern : "";
    }
    ~Scratch() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
};

/// A job writing into `dir`, its pages bound for a PDF.
PageJob jobIn(const Scratch& dir, ColorMode mode, int w, int h, int angle) {
    PageJob job;
    job.blackWhite = mode == ColorMode::blackWhite;
    job.dpi = 300;
    job.w = w;
    job.h = h;
    job.combine = CombineType::vertical;
    job.rotation = static_cast<Rotation>(angle / 90);
    job.filePath = (dir.path / "page").string();
    return job;
}

/// The scanner's JPEG of an A4 page at the given resolution (built once per size).
const Bytes& a4Jpeg(int dpi) {
    static const Bytes at300 = scannerJpeg(letterPage(kA4Width300, kA4Height300, 300));
    static const Bytes at600 = scannerJpeg(letterPage(2 * kA4Width300, 2 * kA4Height300, 600));
    return dpi == 300 ? at300 : at600;
}

/// Discards the diagnostic lines while a benchmark runs.
struct Quiet {
    ScopedDiagnosticSink sink{[](std::string_view) {}};
};

void BM_BareTurboJpegDecodeEncode(benchmark::State& state) {
    const Bytes& input = a4Jpeg(300);
    std::unique_ptr<void, int (*)(void*)> decoder(tjInitDecompress(), tjDestroy);
    std::unique_ptr<void, int (*)(void*)> encoder(tjInitCompress(), tjDestroy);
    std::vector<uint8_t> pixels(static_cast<size_t>(kA4Width300) * kA4Height300);
    for (auto _ : state) {
        tjDecompress2(decoder.get(), input.data(), input.size(), pixels.data(), kA4Width300, 0,
                      kA4Height300, TJPF_GRAY, 0);
        unsigned char* out = nullptr;
        unsigned long size = 0;
        tjCompress2(encoder.get(), pixels.data(), kA4Width300, 0, kA4Height300, TJPF_GRAY, &out,
                    &size, TJSAMP_GRAY, kPageJpegQuality, 0);
        benchmark::DoNotOptimize(size);
        tjFree(out);
    }
}
BENCHMARK(BM_BareTurboJpegDecodeEncode)->Unit(benchmark::kMillisecond);

void BM_Save2JPEG(benchmark::State& state) {
    const int dpi = static_cast<int>(state.range(0));
    const int angle = static_cast<int>(state.range(1));
    const Bytes& input = a4Jpeg(dpi);
    Scratch dir;
    const PageJob param =
        jobIn(dir, ColorMode::gray, kA4Width300 * dpi / 300, kA4Height300 * dpi / 300, angle);
    Quiet quiet;
    for (auto _ : state) {
        if (save2JPEG(param, 1, input)) {
            state.SkipWithError("save2JPEG failed");
        }
    }
}
BENCHMARK(BM_Save2JPEG)
    ->ArgNames({"dpi", "angle"})
    ->Args({300, 0})
    ->Args({300, 90})
    ->Args({600, 0})
    ->Args({600, 90})
    ->Unit(benchmark::kMillisecond);

void BM_TextPageToJpeg(benchmark::State& state) {
    const Bytes rows = oneBitRows(letterPage(kA4Width300, kA4Height300, 300));
    Scratch dir;
    PageJob param = jobIn(dir, ColorMode::blackWhite, kA4Width300, kA4Height300, 0);
    Quiet quiet;
    for (auto _ : state) {
        if (saveImages(param, 1, rows)) {
            state.SkipWithError("saveImages failed");
        }
    }
}
BENCHMARK(BM_TextPageToJpeg)->Unit(benchmark::kMillisecond);

void BM_CombineTwoA4(benchmark::State& state) {
    Scratch dir;
    const PageJob param = jobIn(dir, ColorMode::gray, kA4Width300, kA4Height300, 0);
    Quiet quiet;
    save2JPEG(param, 1, a4Jpeg(300));
    const Bytes pageFile = readWholeFile(pageFileName(param.filePath, 1, ".jpg")).value.value();
    for (auto _ : state) {
        state.PauseTiming();
        writeFileAtomically(pageFileName(param.filePath, 1, ".jpg"), pageFile);
        writeFileAtomically(pageFileName(param.filePath, 2, ".jpg"), pageFile);
        state.ResumeTiming();
        if (!combineImage(2, 1, param)) {
            state.SkipWithError("combineImage failed");
        }
    }
}
BENCHMARK(BM_CombineTwoA4)->Unit(benchmark::kMillisecond);

void BM_Save2PDF50Pages(benchmark::State& state) {
    Scratch pages;
    Scratch output;
    const PageJob param = jobIn(pages, ColorMode::gray, kA4Width300, kA4Height300, 0);
    Quiet quiet;
    double pageBytes = 0;
    for (int n = 1; n <= kPdfPages; ++n) {
        save2JPEG(param, n, scannerJpeg(letterPage(kA4Width300, kA4Height300, 300, n)));
        pageBytes += std::filesystem::file_size(pageFileName(param.filePath, n, ".jpg"));
    }
    double pdfBytes = 0;
    for (auto _ : state) {
        if (!writePdf(jobPdfPages(param, kPdfPages), mediaBoxFor(PageSize::a4, param.rotation),
                      output.path.string(), std::chrono::system_clock::now())) {
            state.SkipWithError("save2PDF failed");
        }
        state.PauseTiming();
        for (const auto& entry : std::filesystem::directory_iterator(output.path)) {
            pdfBytes = static_cast<double>(entry.file_size());
            std::filesystem::remove(entry.path());
        }
        state.ResumeTiming();
    }
    state.counters["pdf_over_pages_pct"] = (pdfBytes / pageBytes - 1) * 100;
}
BENCHMARK(BM_Save2PDF50Pages)->Unit(benchmark::kMillisecond);

/// Blank check of a stored A4 300 dpi page file, decoding included: the blank sheet is
/// the dearer case, since a page with text is known at its first letter.
void BM_BlankCheck(benchmark::State& state) {
    static const Bytes blank =
        encodeJpeg(emptyPage(kA4Width300, kA4Height300, 300)).value.value_or(Bytes{});
    static const Bytes letter =
        encodeJpeg(letterPage(kA4Width300, kA4Height300, 300)).value.value_or(Bytes{});
    const Bytes& page = state.range(0) == 0 ? blank : letter;
    for (auto _ : state) {
        const Outcome<Image> reduced = decodeJpegGreyReduced(page, 75);
        benchmark::DoNotOptimize(judgePageContent(*reduced.value));
    }
}
BENCHMARK(BM_BlankCheck)->ArgName("text")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

/// Skew measurement of a stored A4 300 dpi page file of text, decoding included.
void BM_SkewMeasurement(benchmark::State& state) {
    static const Bytes letter =
        encodeJpeg(letterPage(kA4Width300, kA4Height300, 300)).value.value_or(Bytes{});
    for (auto _ : state) {
        const Outcome<Image> reduced = decodeJpegGreyReduced(letter, 150);
        benchmark::DoNotOptimize(measureSkew(*reduced.value));
    }
}
BENCHMARK(BM_SkewMeasurement)->Unit(benchmark::kMillisecond);

/// Orientation and skew of a stored A4 300 dpi page of text as the pipeline's clean-up step
/// finds them on one core (its engine made once, as each worker does): reading the file,
/// the reduced decode, Tesseract's orientation detection and the skew measurement.
void BM_SkewAndOrientation(benchmark::State& state) {
    Scratch dir;
    const std::string file = (dir.path / "page.jpg").string();
    writeBytes(file, encodeJpeg(proseSheet(300, 2.5)).value.value_or(Bytes{}));
    const std::unique_ptr<PageStep> step = cleanUpStep({false, true, true})();
    for (auto _ : state) {
        PageContext page(1, file);
        PageAnalysis analysis;
        step->run(page, analysis, {});
        if (!analysis.failures.empty() || std::abs(analysis.skewDegrees - 2.5) > 0.1) {
            state.SkipWithError("the page was not read");
        }
    }
}
BENCHMARK(BM_SkewAndOrientation)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace scandesk::bench

BENCHMARK_MAIN();
