// Names of a job's page files, and whole-file reads and atomic writes.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>

#include "common/bytes.h"
#include "imaging/outcome.h"

namespace scandesk {

/// `filePath` + "-%04d" + `extension` ("-0003.jpg"; five or more digits in full).
std::string pageFileName(const std::string& filePath, int pageNo, const char* extension);

/// The content of a file, whole or up to `limit` bytes.
Outcome<Bytes> readWholeFile(const std::string& path, size_t limit = SIZE_MAX);

/// A temporary file in the directory of its destination; it becomes the destination
/// only when published, and is removed if it never is.
class PendingFile {
  public:
    /// Creates the temporary file beside `destination`.
    static Outcome<PendingFile> create(const std::string& destination);

    PendingFile(PendingFile&& other) noexcept;
    PendingFile& operator=(PendingFile&& other) noexcept;
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;
    ~PendingFile();

    /// The temporary file's path.
    const std::string& path() const { return tempPath_; }
    /// Its open descriptor, for writers that take one.
    int descriptor() const { return fd_; }
    /// Appends bytes; the description of the failure, if any.
    std::optional<std::string> write(std::span<const uint8_t> bytes);
    /// Flushes to disk and puts the file in the destination's place, replacing what
    /// was there.
    std::optional<std::string> publish();
    /// Flushes to disk and puts the file under the first name `nameFor(1)`,
    /// `nameFor(2)`, ... that is free, never replacing a file; the name taken.
    Outcome<std::string> publishAsNew(const std::function<std::string(int)>& nameFor);

  private:
    PendingFile(std::string destination, std::string tempPath, int fd);
    /// Writes the file's data to disk and closes it.
    std::optional<std::string> finish();

    std::string destination_;
    std::string tempPath_;
    int fd_ = -1;
};

/// Writes the bytes to `path` through a temporary file and a rename, so a reader (or a
/// crash) never sees a partial file. The description of the failure, if any.
std::optional<std::string> writeFileAtomically(const std::string& path,
                                               std::span<const uint8_t> bytes);

}  // namespace scandesk
