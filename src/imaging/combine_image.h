// Two-in-one pages: pairs of page files combined on one canvas.
#pragma once

#include "common/bytes.h"
#include "common/result_pair.h"
#include "protocol/scan_param.h"

namespace scandesk {

/// Combines the job's JPEG page files 1 ... `pages` pairwise: pages 2k-1 and 2k become
/// page file k, one above the other (`oriation` not 0) or side by side (0), laid on
/// their side at 0.7 scale for "CombinHorizontal" (270 degrees) and "CombinVertical"
/// (90 degrees); "IDCard" doubles the canvas height. A page's own file is removed only
/// once the combined page holding it is on disk, so no failure loses a page.
/// Returns (true, "saveSuccessfully") or (false, "saveImageError").
ResultPair combineImage(int pages, int oriation, const ScanParam& param);

}  // namespace scandesk
