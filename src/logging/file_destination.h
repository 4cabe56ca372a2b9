// A destination that appends lines to a log file, rotating it by size.
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string_view>

#include "logging/base_destination.h"
#include "logging/log_file_writer.h"

namespace scandesk {

/// Appends each rendered line to `logFileURL`. With `logFileAmount` > 1 a file larger
/// than `logFileMaxSize` is moved to ".1" (older ones up by one) before the next line.
class FileDestination : public BaseDestination {
  public:
    /// The given file, or "lumberly.log" in the program's cache folder.
    explicit FileDestination(std::optional<std::filesystem::path> logFileURL = std::nullopt);

    std::optional<std::string> send(Level level, const std::string& msg, const std::string& thread,
                                    const std::string& file, const std::string& function, int line,
                                    const std::optional<std::string>& context) override;

    /// Removes the log file after the lines queued before this call are written;
    /// false when it exists and cannot be removed.
    bool deleteLogFile();

    /// Terminal colour codes in the file (true) or no colouring at all (false).
    void setColored(bool on);
    bool colored() const { return colored_; }

    /// The log file; without one nothing is written.
    std::optional<std::filesystem::path> logFileURL;
    std::atomic<bool> syncAfterEachWrite{false};
    std::atomic<int64_t> logFileMaxSize{5 * 1024 * 1024};
    std::atomic<int> logFileAmount{1};

    /// "lumberly.log" in `$XDG_CACHE_HOME/<program>/` (an absolute one), else in
    /// `$HOME/.cache/<program>/`; the folder is created. None without either variable.
    static std::optional<std::filesystem::path> defaultLogFileURL();
    /// The same from given values (absent variables as null), for callers and tests.
    static std::optional<std::filesystem::path> defaultLogFileURL(const char* xdgCacheHome,
                                                                  const char* home,
                                                                  std::string_view programName);

  protected:
    void beginQueuedLines() override { writer_.beginGathering(); }
    void endQueuedLines() override { writer_.endGathering(); }

  private:
    bool colored_ = false;
    LogFileWriter writer_;
};

}  // namespace scandesk
