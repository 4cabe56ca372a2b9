// A program's diagnostic lines through the logger: console and file destinations, wired
// at start and flushed at exit.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/diagnostics.h"
#include "logging/base_destination.h"
#include "logging/console_destination.h"
#include "logging/level.h"

namespace scandesk {

/// Where one program's diagnostics go.
struct ProgramLogSettings {
    /// Lines from this level up go to the console; none: no console at all.
    std::optional<Level> consoleLevel = Level::warning;
    /// Where console lines go; standard error unless set.
    ConsoleDestination::LineWriter console;
    /// A log file (its folder is made when missing) and the least level it takes.
    std::optional<std::filesystem::path> file;
    Level fileLevel = Level::info;
    /// Size rotation: a file beyond `fileMaxSize` bytes moves to ".1" before the next
    /// line, and `fileAmount` files are kept in all (1: the file grows without limit).
    int64_t fileMaxSize = 1024 * 1024;
    int fileAmount = 1;
};

/// While it lives, every diagnostic line of the process goes through the logger to the
/// destinations the settings name. Its end waits for what is queued, so the last lines
/// of a program that returns from `main` are never lost.
class ProgramLog {
  public:
    explicit ProgramLog(ProgramLogSettings settings);
    ~ProgramLog();
    ProgramLog(const ProgramLog&) = delete;
    ProgramLog& operator=(const ProgramLog&) = delete;

  private:
    std::vector<std::shared_ptr<BaseDestination>> destinations_;
    std::unique_ptr<ScopedDiagnosticSink> sink_;
};

/// Why lines cannot be appended to the log file `path`, or nothing when they can. Like the
/// file destination, it makes the file's folder when missing and creates the file.
std::optional<std::string> logFileProblem(const std::filesystem::path& path);

/// The window's log file: `scandesk.log` in `$XDG_STATE_HOME/scandesk/` (an absolute
/// one), else in `$HOME/.local/state/scandesk/`; none without either variable.
std::optional<std::filesystem::path> stateLogFile(const char* xdgStateHome, const char* home);

}  // namespace scandesk
