// Moving pages out of a document into a folder of their own, unchanged.
#pragma once

#include <string>
#include <vector>

#include "imaging/outcome.h"

namespace scandesk {

/// Moves the files into a new folder `folder` (or `folder`-2, -3, ... when taken), names
/// and bytes unchanged; the folder made. On a failure the files not yet moved stay where
/// they are, and the ones moved stay in the folder: a page is never lost or copied twice.
Outcome<std::string> setAsidePages(const std::vector<std::string>& files,
                                   const std::string& folder);

}  // namespace scandesk
