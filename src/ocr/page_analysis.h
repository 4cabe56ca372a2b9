// What the per-page steps find on a stored page: page metadata the PDF writer reads.
#pragma once

#include <string>
#include <vector>

#include "imaging/pdf_page.h"

namespace scandesk {

/// The findings of the steps run on one page. The page file itself never changes.
struct PageAnalysis {
    bool blank = false;                 ///< nothing on the page worth keeping
    int quarterTurns = 0;               ///< clockwise quarter turns that show the page upright
    double skewDegrees = 0;             ///< measured skew, drawn turned back in the PDF
    std::vector<PdfWord> words;         ///< the text layer, in the page file's pixels
    bool textMissing = false;           ///< recognition was asked for and failed
    std::vector<std::string> failures;  ///< what went wrong, for the diagnostics
};

/// The PDF page of a page file with what the steps found on it.
inline PdfPage pdfPageOf(const std::string& file, const PageAnalysis& analysis) {
    return PdfPage{file, analysis.quarterTurns, analysis.skewDegrees, analysis.words};
}

}  // namespace scandesk
