// Finding the state folder and claiming a document folder in it with a file lock.
#include "session/document_folder.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <filesystem>
#include <utility>

namespace scandesk {

namespace {
// More windows than anyone opens; each takes the next folder.
constexpr int kMaxFolders = 64;
}  // namespace

std::optional<std::string> stateFolder(const char* xdgStateHome, const char* home) {
    if (xdgStateHome != nullptr && xdgStateHome[0] == '/') {
        return std::string(xdgStateHome) + "/scandesk";
    }
    if (home != nullptr && home[0] != '\0') {
        return std::string(home) + "/.local/state/scandesk";
    }
    return std::nullopt;
}

std::optional<DocumentFolderClaim> DocumentFolderClaim::claim(const std::string& stateFolder) {
    for (int n = 1; n <= kMaxFolders; ++n) {
        std::string folder = stateFolder + "/document" + (n == 1 ? "" : "-" + std::to_string(n));
        std::error_code error;
        std::filesystem::create_directories(folder, error);
        const int fd = ::open((folder + "/lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd < 0) {
            continue;
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            return DocumentFolderClaim(std::move(folder), fd);
        }
        ::close(fd);
    }
    return std::nullopt;
}

DocumentFolderClaim::DocumentFolderClaim(DocumentFolderClaim&& other) noexcept
    : folder_(std::move(other.folder_)), fd_(std::exchange(other.fd_, -1)) {}

DocumentFolderClaim& DocumentFolderClaim::operator=(DocumentFolderClaim&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        folder_ = std::move(other.folder_);
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

DocumentFolderClaim::~DocumentFolderClaim() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

}  // namespace scandesk
