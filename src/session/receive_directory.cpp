// Creating, naming and removing receive directories.
#include "session/receive_directory.h"

#include <filesystem>
#include <system_error>
#include <vector>

#include "common/diagnostics.h"

namespace scandesk {

namespace fs = std::filesystem;

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
