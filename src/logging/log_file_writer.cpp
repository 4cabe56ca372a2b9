// Log file appending, reopening and size-based rotation.
#include "logging/log_file_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "common/diagnostics.h"

namespace scandesk {
namespace {

namespace fs = std::filesystem;

// The rotated file of a number: path + "." + number.
std::filesystem::path numbered(const fs::path& path, int number) {
    return fs::path(path.string() + "." + std::to_string(number));
}

// The diagnostic line of a line that could not be written.
void reportWriteFailure(const fs::path& where) {
    diagError("Lumberly File Destination could not write to file ", where.string(), ".");
}

}  // namespace

LogFileWriter::~LogFileWriter() {
    writeGathered();
    closeFile();
}

bool LogFileWriter::append(const fs::path& path, std::string_view line, const Settings& settings) {
    std::lock_guard lock(mutex_);
    const bool gather = gathering_ && !settings.syncAfterEachWrite;
    if (gather && gatherReady_ && fd_ >= 0 && path == openPath_) {
        // Within a run the file is known: its size is counted, not asked for.
        if (settings.amount > 1 && openSize_ > settings.maxSize) {
            writeGathered();
            rotateLocked(path, settings.amount);
            if (!ensureOpen(path)) {
                return false;
            }
        }
    } else {
        writeGathered();
        rotateIfDue(path, settings);
        if (!ensureOpen(path)) {
            gatherReady_ = false;
            return false;
        }
        gatherReady_ = gather;
    }
    if (gather) {
        gathered_.append(line).push_back('\n');
        openSize_ += static_cast<int64_t>(line.size() + 1);
        if (gathered_.size() >= kGatherLimitBytes) {
            writeGathered();
        }
        return true;
    }
    std::string bytes(line);
    bytes += '\n';
    if (!writeAll(bytes, settings.syncAfterEachWrite)) {
        reportWriteFailure(path);
        closeFile();
        return false;
    }
    openSize_ += static_cast<int64_t>(bytes.size());
    return true;
}

void LogFileWriter::beginGathering() {
    std::lock_guard lock(mutex_);
    gathering_ = true;
    gatherReady_ = false;
}

void LogFileWriter::endGathering() {
    std::lock_guard lock(mutex_);
    writeGathered();
    gathering_ = false;
    gatherReady_ = false;
}

void LogFileWriter::rotateIfDue(const fs::path& path, const Settings& settings) {
    if (settings.amount <= 1) {
        return;
    }
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0) {
        if (static_cast<int64_t>(info.st_size) > settings.maxSize) {
            rotateLocked(path, settings.amount);
        }
    } else if (errno != ENOENT) {
        diagWarning("validateSaveFile error: ", std::strerror(errno));
    }
}

void LogFileWriter::writeGathered() {
    if (gathered_.empty()) {
        return;
    }
    if (fd_ < 0 || !writeAll(gathered_, false)) {
        reportWriteFailure(openPath_);
        closeFile();
    }
    gathered_.clear();
}

void LogFileWriter::rotate(const fs::path& path, int amount) {
    std::lock_guard lock(mutex_);
    rotateLocked(path, amount);
}

void LogFileWriter::rotateLocked(const fs::path& path, int amount) {
    const int last = amount - 1;
    std::error_code error;
    for (int i = last; i >= 1; --i) {
        const fs::path old = numbered(path, i);
        if (!fs::exists(old, error)) {
            continue;
        }
        if (i == last) {
            fs::remove(old, error);
        } else {
            fs::rename(old, numbered(path, i + 1), error);
        }
        if (error) {
            diagError("rotateFile error: ", error.message());
            return;
        }
    }
    fs::rename(path, numbered(path, 1), error);
    if (error) {
        diagError("rotateFile error: ", error.message());
    }
}

bool LogFileWriter::remove(const fs::path& path) {
    std::lock_guard lock(mutex_);
    writeGathered();
    closeFile();
    std::error_code error;
    if (!fs::exists(path, error)) {
        return true;
    }
    if (!fs::remove(path, error)) {
        diagError("Lumberly File Destination could not remove file ", path.string(), ".");
        return false;
    }
    return true;
}

// Keeps the open file when the path still names it; otherwise creates what is
// missing and opens the path for appending.
bool LogFileWriter::ensureOpen(const fs::path& path) {
    struct stat info {};
    const bool exists = ::stat(path.c_str(), &info) == 0;
    if (fd_ >= 0 && exists && path == openPath_ && info.st_dev == device_ &&
        info.st_ino == inode_) {
        openSize_ = static_cast<int64_t>(info.st_size);
        return true;
    }
    closeFile();
    if (!exists) {
        const fs::path directory = path.parent_path();
        std::error_code error;
        if (!directory.empty() && !fs::is_directory(directory, error)) {
            fs::create_directories(directory, error);
            if (error) {
                reportWriteFailure(directory);
                return false;
            }
        }
    }
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0 || ::fstat(fd, &info) != 0) {
        if (fd >= 0) {
            ::close(fd);
        }
        reportWriteFailure(path);
        return false;
    }
    fd_ = fd;
    openPath_ = path;
    openSize_ = static_cast<int64_t>(info.st_size);
    device_ = info.st_dev;
    inode_ = info.st_ino;
    return true;
}

bool LogFileWriter::writeAll(std::string_view bytes, bool sync) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd_, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes.remove_prefix(static_cast<size_t>(written));
    }
    return !sync || ::fsync(fd_) == 0;
}

void LogFileWriter::closeFile() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

}  // namespace scandesk
