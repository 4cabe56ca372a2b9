// Page decoding and saving: 1-bit rows of any length and JPEG data of any content, through
// decode, turn and encode, then the combining and PDF paths.
#include <filesystem>

#include "fuzz.h"
#include "imaging/combine_image.h"
#include "imaging/save_images.h"
#include "imaging/save_pdf.h"

using namespace scandesk;
using namespace scandesk::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);
    testing::TempDir dir;
    PageJob job = fuzzJob(in, dir).pages;
    job.combine = static_cast<CombineType>(1 + in.byte() % 3);
    const bool combine = in.byte() % 2;

    int stored = 0;
    for (const Bytes& page : in.pieces(16384)) {
        if (stored == 3 || saveImages(job, stored + 1, page)) {
            break;
        }
        ++stored;
    }
    requireStoredPages(dir, stored);
    if (stored == 0 || job.keepBitmap) {
        return 0;
    }
    int pages = stored;
    if (combine && stored >= 2) {
        const std::optional<int> combined = combineImage(stored, 1, job);
        if (!combined) {
            return 0;
        }
        require(*combined == (stored + 1) / 2, "pairs of pages combined");
        pages = *combined;
        requireStoredPages(dir, pages);
    }
    testing::TempDir pdfDir;
    const bool saved = writePdf(jobPdfPages(job, pages), mediaBoxFor(PageSize::a6, job.rotation),
                                pdfDir.path(), {})
                           .value.has_value();
    const auto written = entriesOf(pdfDir.path());
    require(written.size() == (saved ? 1u : 0u) &&
                (!saved || std::filesystem::path(written.front()).extension() == ".pdf"),
            "one PDF file exactly when the PDF was saved");
    return 0;
}
