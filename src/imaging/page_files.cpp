// Page file names and the file operations every writer of imaging shares.
#include "imaging/page_files.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <random>
#include <utility>

namespace scandesk {

namespace {

constexpr int kTempNameAttempts = 100;
constexpr int kNewNameAttempts = 100000;

/// The system's text for an errno value, with the path it concerns.
std::string errnoText(int error, const std::string& path) {
    return std::string(std::strerror(error)) + " (" + path + ")";
}

/// Directory part of a path ("." when it has none).
std::string directoryOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

/// File name part of a path.
std::string baseNameOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

/// Renames without replacing: fails with EEXIST when `to` exists.
int renameNoReplace(const char* from, const char* to) {
    if (::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0) {
        return 0;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        return -1;
    }
    // File systems without the flag: a hard link fails on an existing name too.
    if (::link(from, to) != 0) {
        return -1;
    }
    ::unlink(from);
    return 0;
}

}  // namespace

std::string pageFileName(const std::string& filePath, int pageNo, const char* extension) {
    char number[24];
    std::snprintf(number, sizeof number, "-%04d", pageNo);
    return filePath + number + extension;
}

Outcome<Bytes> readWholeFile(const std::string& path, size_t limit) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return Outcome<Bytes>::failure(errnoText(errno, path));
    }
    // Read straight into the buffer, sized by the file, so that a page costs one read.
    struct stat info {};
    const bool sized = ::fstat(fd, &info) == 0 && info.st_size > 0;
    Bytes content(std::min(sized ? static_cast<size_t>(info.st_size) + 1 : size_t{1} << 16, limit));
    size_t used = 0;
    while (used < limit) {
        if (used == content.size()) {
            content.resize(std::min(limit, used * 2));
        }
        const ssize_t got = ::read(fd, content.data() + used, content.size() - used);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            const int error = errno;
            ::close(fd);
            return Outcome<Bytes>::failure(errnoText(error, path));
        }
        if (got == 0) {
            break;
        }
        used += static_cast<size_t>(got);
    }
    content.resize(used);
    ::close(fd);
    return {std::move(content), {}};
}

PendingFile::PendingFile(std::string destination, std::string tempPath, int fd)
    : destination_(std::move(destination)), tempPath_(std::move(tempPath)), fd_(fd) {}

PendingFile::PendingFile(PendingFile&& other) noexcept
    : destination_(std::move(other.destination_)),
      tempPath_(std::exchange(other.tempPath_, {})),
      fd_(std::exchange(other.fd_, -1)) {}

PendingFile& PendingFile::operator=(PendingFile&& other) noexcept {
    if (this != &other) {
        PendingFile old(std::move(*this));
        destination_ = std::move(other.destination_);
        tempPath_ = std::exchange(other.tempPath_, {});
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

PendingFile::~PendingFile() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
    if (!tempPath_.empty()) {
        ::unlink(tempPath_.c_str());
    }
}

Outcome<PendingFile> PendingFile::create(const std::string& destination) {
    const std::string stem = directoryOf(destination) + "/." + baseNameOf(destination) + ".";
    std::random_device entropy;
    for (int attempt = 0; attempt < kTempNameAttempts; ++attempt) {
        const std::string candidate = stem + std::to_string(entropy()) + ".tmp";
        const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            return {PendingFile(destination, candidate, fd), {}};
        }
        if (errno != EEXIST) {
            return Outcome<PendingFile>::failure(errnoText(errno, destination));
        }
    }
    return Outcome<PendingFile>::failure(errnoText(EEXIST, destination));
}

std::optional<std::string> PendingFile::write(std::span<const uint8_t> bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t wrote = ::write(fd_, bytes.data() + done, bytes.size() - done);
        if (wrote < 0 && errno == EINTR) {
            continue;
        }
        if (wrote < 0) {
            return errnoText(errno, destination_);
        }
        done += static_cast<size_t>(wrote);
    }
    return std::nullopt;
}

std::optional<std::string> PendingFile::finish() {
    if (fd_ < 0) {
        return errnoText(EBADF, destination_);
    }
    // Flushed before the rename, so the name never points at data still in flight.
    const bool synced = ::fdatasync(fd_) == 0;
    const int syncError = errno;
    const bool closed = ::close(std::exchange(fd_, -1)) == 0;
    if (!synced || !closed) {
        return errnoText(synced ? errno : syncError, destination_);
    }
    return std::nullopt;
}

std::optional<std::string> PendingFile::publish() {
    if (auto error = finish()) {
        return error;
    }
    if (::rename(tempPath_.c_str(), destination_.c_str()) != 0) {
        return errnoText(errno, destination_);
    }
    tempPath_.clear();
    return std::nullopt;
}

Outcome<std::string> PendingFile::publishAsNew(const std::function<std::string(int)>& nameFor) {
    if (auto error = finish()) {
        return Outcome<std::string>::failure(*error);
    }
    for (int attempt = 1; attempt <= kNewNameAttempts; ++attempt) {
        const std::string name = nameFor(attempt);
        if (renameNoReplace(tempPath_.c_str(), name.c_str()) == 0) {
            tempPath_.clear();
            return {name, {}};
        }
        if (errno != EEXIST) {
            return Outcome<std::string>::failure(errnoText(errno, name));
        }
    }
    return Outcome<std::string>::failure(errnoText(EEXIST, nameFor(1)));
}

std::optional<std::string> writeFileAtomically(const std::string& path,
                                               std::span<const uint8_t> bytes) {
    Outcome<PendingFile> file = PendingFile::create(path);
    if (!file) {
        return file.error;
    }
    if (auto error = file.value->write(bytes)) {
        return error;
    }
    return file.value->publish();
}

}  // namespace scandesk
