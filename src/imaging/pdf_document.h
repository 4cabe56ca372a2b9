// The PDF library's part of PDF assembly, behind an interface of plain standard types so
// that it builds in any language mode the library's headers accept.
#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "imaging/pdf_page.h"

namespace scandesk {

/// One page of a PDF: a JPEG file embedded unchanged, stretched over the whole media box and
/// turned by the viewer.
struct PdfImagePage {
    std::string jpegPath;
    int pixelWidth = 0;
    int pixelHeight = 0;
    bool grey = false;  ///< one component; three otherwise
    int boxWidth = 0;   ///< media box in points
    int boxHeight = 0;
    int quarterTurns = 0;          ///< clockwise quarter turns a viewer shows (/Rotate), 0 ... 3
    double skewDegrees = 0;        ///< content turned counter-clockwise; drawn turned back by it
    std::vector<PdfWord> words{};  ///< the invisible text layer, in the image's pixels
};

/// Writes a PDF of the pages to `stream` (named `name` in messages) and flushes it; the
/// description of the failure, if any. The JPEG files are read while the document is
/// written, one page at a time. The PDF library's exceptions pass through.
std::optional<std::string> writeJpegPdf(const std::vector<PdfImagePage>& pages, std::FILE* stream,
                                        const std::string& name);

}  // namespace scandesk
