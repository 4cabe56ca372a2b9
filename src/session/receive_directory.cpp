// Creating, naming and removing receive directories.
#include "session/receive_directory.h"

#include <ctime>
#include <filesystem>
#include <system_error>
#include <vector>

#include "common/diagnostics.h"

namespace scandesk {

namespace fs = std::filesystem;

std::string receiveDirName(std::chrono::system_clock::time_point when) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
    std::tm local{};
    localtime_r(&seconds, &local);
    char text[32];
    const size_t length = std::strftime(text, sizeof text, "%Y%m%d%H%M%S", &local);
    return std::string(text, length);
}

bool makeReceiveDir(const std::string& path) {
    std::error_code error;
    // create_directory reports an existing directory as "not created" without an error;
    // a receive directory must be new, so that counts as a failure too.
    const bool created = fs::create_directory(path, error);
    if (!created || error) {
        diag("create save image directory error");
        return false;
    }
    diag("receive directory created: ", path);
    return true;
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
            diag("clear receive dir error");
            return;
        }
    }
    if (!fs::remove(path, error) || error) {
        diag("clear receive dir error");
    }
}

}  // namespace scandesk
