// Writing the document where a scan would have written it: a PDF, or page files.
#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "imaging/outcome.h"
#include "imaging/save_pdf.h"
#include "session/document.h"

namespace scandesk {

/// What the document becomes.
enum class DocumentFormat { pageFiles, pdf };

/// Where and how the document is written.
struct DocumentTarget {
    DocumentFormat format = DocumentFormat::pdf;
    std::string folder;           ///< the output folder
    std::string prefix = "file";  ///< page file name prefix
    MediaBox box;                 ///< every PDF page's box
    std::chrono::system_clock::time_point when = std::chrono::system_clock::now();
};

/// Writes the document's pages in order: a PDF named by `when` in the folder (each JPEG
/// embedded as stored, turned by /Rotate; a black-and-white page encoded for it), or page
/// files prefix-0001.jpg ... in a new time-stamped directory of the folder, turned
/// losslessly. Pages marked blank are left out; copies of their files go into a new
/// folder yyyyMMddHHmmss-blank of the folder. The files written (the document's, then the
/// blank pages' copies), or the failure. The document itself is not changed.
Outcome<std::vector<std::string>> saveDocument(const Document& document,
                                               const DocumentTarget& target);

}  // namespace scandesk
