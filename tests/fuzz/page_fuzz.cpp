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
    static const char* const combinations[] = {"CombinHorizontal", "CombinVertical", "IDCard"};
    FuzzInput in(data, size);
    testing::TempDir dir;
    ScanParam param = fuzzJob(in, dir);
    param.combineType = combinations[in.byte() % 3];
    const bool combine = in.byte() % 2;

    int stored = 0;
    for (const Bytes& page : in.pieces(16384)) {
        if (stored == 3 || !saveImages(param, stored + 1, page).status) {
            break;
        }
        ++stored;
    }
    requireStoredPages(dir, stored);
    if (stored == 0 || param.fileType == "BMP") {
        return 0;
    }
    int pages = stored;
    if (combine && stored >= 2) {
        if (!combineImage(stored, 1, param).status) {
            return 0;
        }
        pages = (stored + 1) / 2;
        requireStoredPages(dir, pages);
    }
    testing::TempDir pdfDir;
    const bool saved = save2PDFAt(param, pages, pdfDir.path(), PageSize::a6, {}).status;
    const auto written = entriesOf(pdfDir.path());
    require(written.size() == (saved ? 1u : 0u) &&
                (!saved || std::filesystem::path(written.front()).extension() == ".pdf"),
            "one PDF file exactly when the PDF was saved");
    return 0;
}
