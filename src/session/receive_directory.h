// The time-stamped directory that receives the page files of one scan.
#pragma once

#include <optional>
#include <string>

namespace scandesk {

/// Creates `path` and its missing parents (mode 0755 under the umask); whether it is a
/// directory now. Logs a failure.
bool makeFolder(const std::string& path);

/// Creates `saveDir` as `makeFolder` does, then a new directory `saveDir`/`name` in it. When
/// that name is taken, tries `name`-2, `name`-3, ... up to a bounded number of tries. The path
/// created, or nothing when no directory could be made. Logs the outcome.
std::optional<std::string> makeReceiveDir(const std::string& saveDir, const std::string& name);

/// Removes the page files listed under `path`, then `path` itself; stops at the first
/// failure and logs it.
void removeReceiveDir(const std::string& path);

}  // namespace scandesk
