// Two-in-one pages: pairs of page files combined on one canvas.
#pragma once

#include <optional>

#include "imaging/page_job.h"

namespace scandesk {

/// Combines the job's JPEG page files 1 ... `pages` pairwise: pages 2k-1 and 2k become
/// page file k, one above the other (`oriation` not 0) or side by side (0), laid on
/// their side at 0.7 scale for horizontal (270 degrees) and vertical (90 degrees)
/// combining; the ID card doubles the canvas height. A page's own file is removed only
/// once the combined page holding it is on disk, so no failure loses a page.
/// The number of combined page files, or nothing when a pair could not be combined
/// (logged).
std::optional<int> combineImage(int pages, int oriation, const PageJob& job);

}  // namespace scandesk
