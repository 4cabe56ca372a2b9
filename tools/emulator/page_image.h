// Draws the virtual scanner's test pages: a page number and an orientation mark.
#pragma once

#include <cstdint>
#include <optional>

#include "emulator/command_reader.h"

namespace scandesk::emulator {

/// Where the marks of a generated page lie, so that tests can probe pixels.
/// The orientation mark is a solid square in the top-left corner (black, red in
/// colour pages); the page number's digits stand right of it, black, their top at row 0.
struct PageLayout {
    int64_t markSide = 0;    ///< side of the square mark in pixels
    int64_t digitScale = 0;  ///< pixels per dot of the 5 x 7 digit font
    int64_t digitsLeft = 0;  ///< first column of the page number
};

/// The layout of the pages a job produces.
PageLayout pageLayout(const JobRequest& job);

/// One generated page as the scanner sends it: for "TEXT", packed 1-bit rows of
/// (w + 7) / 8 bytes, top row first, most significant bit leftmost, 0 black and 1
/// white, after the job's gamma table; for "GRAY256" a grey JPEG; for "CGRAY" a colour
/// JPEG. Nothing when the JPEG encoder fails.
std::optional<Bytes> renderPage(const JobRequest& job, int pageNo);

}  // namespace scandesk::emulator
