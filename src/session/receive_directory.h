// The time-stamped directory that receives the page files of one scan.
#pragma once

#include <string>

namespace scandesk {

/// Creates one directory (parents are not created); false when it exists already or
/// cannot be made. Logs the outcome.
bool makeReceiveDir(const std::string& path);

/// Removes the page files listed under `path`, then `path` itself; stops at the first
/// failure and logs it.
void removeReceiveDir(const std::string& path);

}  // namespace scandesk
