// Where the user's desktop lives: the default output directory.
#pragma once

#include <string>

namespace scandesk {

/// The desktop directory named in the user's XDG user-dirs file, or $HOME/Desktop.
/// Reads $HOME and $XDG_CONFIG_HOME (default $HOME/.config).
std::string desktopDirectory();

/// The same lookup from explicit directories, for callers that know them.
std::string desktopDirectoryFor(const std::string& home, const std::string& configHome);

}  // namespace scandesk
