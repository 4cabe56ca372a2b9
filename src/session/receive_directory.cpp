// Creating, naming and removing receive directories.
#include "session/receive_directory.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

#include "common/diagnostics.h"

namespace scandesk {

namespace fs = std::filesystem;

bool makeFolder(const std::string& path) {
    // Each missing ancestor, from the root down; the umask trims the mode as for mkdir(1).
    fs::path built;
    for (const fs::path& part : fs::path(path)) {
        built /= part;
        if (part.empty() || ::mkdir(built.c_str(), 0755) == 0 || errno == EEXIST) {
            continue;
        }
        diagError("create folder error: ", std::strerror(errno), " (", built.string(), ")");
        return false;
    }
    std::error_code error;
    return fs::is_directory(path, error);
}

std::optional<std::string> makeReceiveDir(const std::string& saveDir, const std::string& name) {
    if (!makeFolder(saveDir)) {
        return std::nullopt;
    }
    // Scans within one second share a time stamp; a script scanning in a loop must not fail.
    constexpr int kMaxTries = 1000;
    const std::string stem = saveDir + "/" + name;
    for (int attempt = 1; attempt <= kMaxTries; ++attempt) {
        std::string path = attempt == 1 ? stem : stem + "-" + std::to_string(attempt);
        // One mkdir per name: EEXIST means another scan took it first, so no check-then-create.
        if (::mkdir(path.c_str(), 0777) == 0) {
            diagInfo("receive directory created: ", path);
            return path;
        }
        if (errno != EEXIST) {
            diagError("create save image directory error: ", std::strerror(errno), " (", path, ")");
            return std::nullopt;
        }
    }
    diagError("create save image directory error: every name taken (", stem, ")");
    return std::nullopt;
}

void removeReceiveDir(const std::string& path) {
    std::vector<fs::path> subPaths;
    std::error_code error;
    for (fs::recursive_directory_iterator it(path, error), end; !error && it != end;
         it.increment(error)) {
        subPaths.push_back(it->path().lexically_relative(path));
    }
    if (error) {
        subPaths.clear();
    }
    for (const auto& subPath : subPaths) {
        if (!fs::remove(fs::path(path) / subPath, error) || error) {
            diagWarning("clear receive dir error");
            return;
        }
    }
    if (!fs::remove(path, error) || error) {
        diagWarning("clear receive dir error");
    }
}

}  // namespace scandesk
