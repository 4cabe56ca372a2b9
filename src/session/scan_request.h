// What a front end asks the session to scan: typed choices, the folder and the prefix.
#pragma once

#include <string>

#include "devices/scan_options.h"
#include "imaging/page_cleanup.h"

namespace scandesk {

/// One scan as the user chose it. Front ends turn their own spelling (combo boxes,
/// command-line values, SANE options) into this at their edge; the session checks it
/// against the selected scanner and the choice rules.
struct ScanRequest {
    ScanSource source = ScanSource::automatic;
    ColorMode colorMode = ColorMode::color;
    ContentType content = ContentType::automatic;
    int dpi = 200;
    PageSize pageSize = PageSize::a4;
    FileType fileType = FileType::image;
    Rotation rotation = Rotation::none;
    CombineType combine = CombineType::none;
    std::string saveDir;          ///< the output folder
    std::string prefix = "file";  ///< names the page files: prefix-0001.jpg
    /// The pages are for the document under review: they stay in the receive directory
    /// (in `saveDir`), combined if asked, and no PDF is written.
    bool keepPages = false;
    /// Text recognition for a PDF: Tesseract codes joined by '+' ("eng", "chi_sim+eng");
    /// empty: none.
    std::string ocrLanguages{};
    CleanUpChoices cleanUp;  ///< blank pages set aside, pages straightened, turned upright

    friend bool operator==(const ScanRequest&, const ScanRequest&) = default;
};

}  // namespace scandesk
