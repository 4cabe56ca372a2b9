// Moving pages out of a document into a folder of their own, unchanged.
#pragma once

#include <string>
#include <vector>

#include "imaging/outcome.h"

namespace scandesk {

/// How pages are set aside.
enum class SetAside {
    move,  ///< the files leave where they were
    copy,  ///< the files stay where they are too (their owner removes them later)
};

/// Moves (or copies) the files into a new folder `folder` (or `folder`-2, -3, ... when
/// taken), names and bytes unchanged; the folder made. On a failure the files not yet
/// handled stay where they are, and the ones moved stay in the folder: a page is never
/// lost or moved twice.
Outcome<std::string> setAsidePages(const std::vector<std::string>& files, const std::string& folder,
                                   SetAside how = SetAside::move);

}  // namespace scandesk
