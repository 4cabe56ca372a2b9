// One page of a PDF as every writer of documents hands it over: its page file and what
// is shown on top of it.
#pragma once

#include <string>
#include <vector>

namespace scandesk {

/// One recognised word, for the invisible text layer.
struct PdfWord {
    std::string text;  ///< UTF-8
    double x = 0;      ///< its box in the stored image's pixels, origin top-left
    double y = 0;
    double w = 0;
    double h = 0;
    /// A space follows on the same line (between Latin words; never inside a CJK run).
    bool spaceAfter = false;
};

/// A page of a document: a page file shown unchanged, turned by the viewer.
struct PdfPage {
    std::string file;            ///< the page file (JPEG), embedded byte for byte
    int quarterTurns = 0;        ///< clockwise quarter turns shown by the page's /Rotate
    double skewDegrees = 0;      ///< measured skew; the image is drawn turned back by it
    std::vector<PdfWord> words;  ///< text layer (empty: none)
};

}  // namespace scandesk
