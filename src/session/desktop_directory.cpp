// Reading the desktop directory from the XDG user-dirs file.
#include "session/desktop_directory.h"

#include <cstdlib>
#include <fstream>

namespace scandesk {
namespace {

// The value of an environment variable, or "" when unset.
std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

}  // namespace

std::string desktopDirectoryFor(const std::string& home, const std::string& configHome) {
    std::ifstream dirs(configHome + "/user-dirs.dirs");
    const std::string key = "XDG_DESKTOP_DIR=";
    for (std::string line; std::getline(dirs, line);) {
        if (line.rfind(key, 0) != 0) {
            continue;
        }
        std::string value = line.substr(key.size());
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
            value = value.substr(1, value.size() - 2);
        }
        if (value.rfind("$HOME", 0) == 0) {
            value = home + value.substr(5);
        }
        // The file may only name absolute paths or paths under $HOME.
        if (!value.empty() && value.front() == '/') {
            return value;
        }
    }
    return home + "/Desktop";
}

std::string desktopDirectory() {
    const std::string home = environment("HOME");
    std::string configHome = environment("XDG_CONFIG_HOME");
    if (configHome.empty()) {
        configHome = home + "/.config";
    }
    return desktopDirectoryFor(home, configHome);
}

}  // namespace scandesk
