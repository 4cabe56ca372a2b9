// A finished scan's page files after clean-up: the pages kept and the blank ones set aside.
#pragma once

#include <string>
#include <vector>

#include "imaging/outcome.h"
#include "imaging/page_cleanup.h"
#include "imaging/pdf_page.h"

namespace scandesk {

/// The pages of a scan after clean-up.
struct CleanedPages {
    std::vector<PdfPage> kept;  ///< in scan order, with their turns and skew
    int setAside = 0;           ///< blank pages moved into `folder`
    std::string folder;         ///< where they went (empty when none were)
};

/// Applies each page file's findings: blank pages are moved into `blankFolder` (a fresh
/// folder, see setAsidePages), the others kept with their turn and skew. With
/// `turnFiles` (the page files are the scan's output) a page found turned is turned in
/// place by a lossless transform and kept with no turn left. On a failure nothing is
/// lost: the pages not yet handled stay as they are.
Outcome<CleanedPages> applyFindings(const std::vector<std::string>& pageFiles,
                                    const std::vector<PageFindings>& findings,
                                    const std::string& blankFolder, bool turnFiles);

}  // namespace scandesk
