// Command-line driver for the peer comparison: makes the inputs and runs one
// imaging operation over them, so an outside timer sees the same work as the peers.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "common/diagnostics.h"
#include "imaging/page_files.h"
#include "imaging/save_images.h"
#include "imaging/save_jpeg.h"
#include "imaging/save_pdf.h"
#include "synthetic_page.h"

namespace scandesk::bench {
namespace {

constexpr int kBatchPages = 10;
constexpr int kPdfPages = 50;

/// Writes the batch of A4 pages, the 50 page files and the 1200-dpi page into `dir`.
int makeInputs(const std::filesystem::path& dir) {
    std::filesystem::create_directories(dir / "pages");
    PageJob param;
    param.filePath = (dir / "pages" / "page").string();
    for (int n = 1; n <= kPdfPages; ++n) {
        const Bytes jpeg = scannerJpeg(letterPage(2432, 3441, 300, n));
        if (n <= kBatchPages) {
            char name[32];
            std::snprintf(name, sizeof name, "a4-%02d.jpg", n);
            writeBytes((dir / name).string(), jpeg);
        }
        if (save2JPEG(param, n, jpeg)) {
            return 1;
        }
    }
    return writeBytes((dir / "a4-1200dpi.jpg").string(), scannerJpeg(letterPage(9728, 13764, 1200)))
               ? 0
               : 1;
}

/// save2JPEG of every file, turned by `angle`, into `outDir`.
int saveAll(int angle, const std::string& outDir, const std::vector<std::string>& files) {
    PageJob param;
    param.rotation = static_cast<Rotation>(angle / 90 % 4);
    param.filePath = outDir + "/page";
    int n = 0;
    for (const std::string& file : files) {
        const Outcome<Bytes> data = readWholeFile(file);
        if (!data || save2JPEG(param, ++n, *data.value)) {
            return 1;
        }
    }
    return 0;
}

}  // namespace
}  // namespace scandesk::bench

int main(int argc, char** argv) {
    using namespace scandesk;
    ScopedDiagnosticSink quiet([](std::string_view) {});
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 2 && args[0] == "inputs") {
        return bench::makeInputs(args[1]);
    }
    if (args.size() >= 4 && args[0] == "save2jpeg") {
        return bench::saveAll(std::stoi(args[1]), args[2],
                              std::vector<std::string>(args.begin() + 3, args.end()));
    }
    if (args.size() == 4 && args[0] == "pdf") {
        PageJob param;
        param.filePath = args[1];
        return writePdf(jobPdfPages(param, std::stoi(args[2])),
                        mediaBoxFor(PageSize::a4, param.rotation), args[3],
                        std::chrono::system_clock::now())
                   ? 0
                   : 1;
    }
    std::fprintf(stderr,
                 "usage: imaging_bench_driver inputs DIR | save2jpeg ANGLE OUTDIR FILE... | "
                 "pdf PREFIX PAGES OUTDIR\n");
    return 2;
}
