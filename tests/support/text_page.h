// Pages of known words at known places, rendered with Cairo for the recognition tests.
#pragma once

#include <string>
#include <vector>

#include "common/bytes.h"
#include "imaging/image.h"

namespace scandesk::testing {

/// A word as it is printed: its text and its ink box in pixels (origin top-left).
struct PrintedWord {
    std::string text;
    double x = 0;
    double y = 0;
    double w = 0;
    double h = 0;
};

/// A rendered page and the words on it.
struct TextPage {
    Image image;
    std::vector<PrintedWord> words;
};

/// A white page of `width` x `height` pixels at 300 dpi with the lines printed in black
/// in `font` at `points` size, from a margin of 200 pixels, lines 1.8 sizes apart. Words
/// are the parts of a line between spaces. Grey when `grey`, otherwise colour.
TextPage renderTextPage(const std::vector<std::string>& lines, const std::string& font,
                        double points, int width, int height, bool grey = true);

/// The page as a JPEG stream at high quality, as a scanner sends it.
Bytes pageJpeg(const TextPage& page);

}  // namespace scandesk::testing
