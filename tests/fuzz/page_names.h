// What a fuzz target may leave in its scratch directory: whole page files only.
#pragma once

#include <regex>
#include <string>
#include <vector>

#include "fuzz_input.h"

namespace scandesk::fuzz {

/// Checks that the directory holds exactly `pages` page files named `page-NNNN.jpg|bmp`,
/// and nothing else (no temporary file left behind, nothing written beside).
inline void requireStoredPages(const ScratchDir& dir, int pages) {
    static const std::regex name(R"(page-\d{4,}\.(jpg|bmp))");
    const std::vector<std::string> entries = entriesOf(dir.path());
    for (const auto& entry : entries) {
        require(std::regex_match(entry, name), "only page files in the folder, found " + entry);
    }
    require(static_cast<int>(entries.size()) == pages,
            "the outcome counts the page files: " + std::to_string(entries.size()) + " on disk, " +
                std::to_string(pages) + " counted");
}

/// A small job whose kind and size come from the input.
inline ScanParam fuzzJob(FuzzInput& in, const ScratchDir& dir) {
    static const char* const modes[] = {"TEXT", "GRAY256", "CGRAY"};
    ScanParam param;
    param.mode = modes[in.byte() % 3];
    param.w = 1 + static_cast<int64_t>(in.upTo(199));
    param.h = 1 + static_cast<int64_t>(in.upTo(199));
    param.dpi = 200;
    param.resolution = "200,200";
    param.fileType = param.mode == "TEXT" && in.byte() % 2 ? "BMP" : "JPEG";
    param.rotateAngle = 90 * (in.byte() % 4);
    param.filePath = dir.path() + "/page";
    return param;
}

}  // namespace scandesk::fuzz
