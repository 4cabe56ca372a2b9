// Appends lines to a log file and rotates it by size.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <mutex>
#include <string>
#include <string_view>

namespace scandesk {

/// Appends whole lines to one log file at a time. The file stays open between lines
/// and is opened anew whenever the path no longer names it (rotated, moved or
/// removed by someone else). Between `beginGathering` and `endGathering` lines are
/// collected and written together, rotating at the same lines as one by one; lines
/// that must be synced are never held back. Thread-safe.
class LogFileWriter {
  public:
    /// How a line is saved.
    struct Settings {
        bool syncAfterEachWrite = false;
        /// Rotate when the file is larger than this many bytes; negative: always.
        int64_t maxSize = 5 * 1024 * 1024;
        /// Files kept, the current one included; 1 or less never rotates.
        int amount = 1;
    };

    LogFileWriter() = default;
    ~LogFileWriter();
    LogFileWriter(const LogFileWriter&) = delete;
    LogFileWriter& operator=(const LogFileWriter&) = delete;

    /// Rotates when due, then appends `line` and a line end; false when the line could
    /// not be written (a diagnostic line says why).
    bool append(const std::filesystem::path& path, std::string_view line, const Settings& settings);

    /// Collects appended lines from now on.
    void beginGathering();
    /// Writes the collected lines and appends line by line again.
    void endGathering();

    /// Moves path.N-1 … path.1 one number up (dropping the last) and the file to path.1.
    void rotate(const std::filesystem::path& path, int amount);

    /// Removes the file when it exists; false when removal failed.
    bool remove(const std::filesystem::path& path);

  private:
    /// Collected bytes beyond which they are written without waiting for the end.
    static constexpr size_t kGatherLimitBytes = 64 * 1024;

    void rotateIfDue(const std::filesystem::path& path, const Settings& settings);
    void writeGathered();
    void rotateLocked(const std::filesystem::path& path, int amount);
    bool ensureOpen(const std::filesystem::path& path);
    bool writeAll(std::string_view bytes, bool sync);
    void closeFile();

    std::mutex mutex_;
    int fd_ = -1;
    std::filesystem::path openPath_;
    dev_t device_ = 0;
    ino_t inode_ = 0;
    /// Bytes in the open file, the collected ones included.
    int64_t openSize_ = 0;
    bool gathering_ = false;
    /// Whether this run of gathering has checked the path and opened the file.
    bool gatherReady_ = false;
    std::string gathered_;
};

}  // namespace scandesk
