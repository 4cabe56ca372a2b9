// Wiring the diagnostic seam to the logger for one program.
#include "logging/program_log.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "logging/file_destination.h"
#include "logging/lumberly.h"
#include "logging/serial_queue.h"

namespace scandesk {
namespace {

// How long the end of a program waits for queued lines.
constexpr std::chrono::milliseconds kExitFlushTimeout{2000};

constexpr const char* kConsoleFormat = "$L $M";
constexpr const char* kFileFormat = "$Dyyyy-MM-dd HH:mm:ss.SSS$d $L $M";

static_assert(static_cast<int>(DiagLevel::verbose) == levelRawValue(Level::verbose) &&
              static_cast<int>(DiagLevel::error) == levelRawValue(Level::error));

// The logger's level of a diagnostic line.
Level loggerLevel(DiagLevel level) {
    return static_cast<Level>(static_cast<uint8_t>(level));
}

// The seam's level of a logger level.
DiagLevel seamLevel(Level level) {
    return static_cast<DiagLevel>(levelRawValue(level));
}

// Hands a line to the logger, except the logger's own complaints: written from a
// destination's queue, they go straight to standard error, so that a file that cannot
// be written never feeds lines back into itself.
void forwardToLogger(DiagLevel level, std::string_view line) {
    if (SerialQueue::currentLabel() != nullptr) {
        writeLineToStderr(line);
        return;
    }
    Lumberly::custom(loggerLevel(level), line);
}

// One whole line on standard error.
void writeToStandardError(std::string_view line) {
    std::string text(line);
    text += '\n';
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
}

}  // namespace

ProgramLog::ProgramLog(ProgramLogSettings settings) {
    Level least = Level::error;
    if (settings.consoleLevel) {
        auto console = std::make_shared<ConsoleDestination>();
        console->format = kConsoleFormat;
        console->minLevel = *settings.consoleLevel;
        console->output = settings.console ? settings.console : writeToStandardError;
        destinations_.push_back(console);
        least = std::min(least, *settings.consoleLevel);
    }
    if (settings.file) {
        auto file = std::make_shared<FileDestination>(*settings.file);
        file->format = kFileFormat;
        file->minLevel = settings.fileLevel;
        file->logFileMaxSize = settings.fileMaxSize;
        file->logFileAmount = settings.fileAmount;
        destinations_.push_back(file);
        least = std::min(least, settings.fileLevel);
    }
    for (const auto& destination : destinations_) {
        Lumberly::addDestination(destination);
    }
    sink_ = std::make_unique<ScopedDiagnosticSink>(forwardToLogger, seamLevel(least));
}

ProgramLog::~ProgramLog() {
    sink_.reset();
    Lumberly::flush(kExitFlushTimeout);
    for (const auto& destination : destinations_) {
        Lumberly::removeDestination(destination);
    }
}

std::optional<std::string> logFileProblem(const std::filesystem::path& path) {
    std::error_code error;
    const std::filesystem::path folder = path.parent_path();
    if (!folder.empty() && !std::filesystem::is_directory(folder, error)) {
        std::filesystem::create_directories(folder, error);
        if (error) {
            return error.message();
        }
    }
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        return std::strerror(errno);
    }
    ::close(fd);
    return std::nullopt;
}

std::optional<std::filesystem::path> stateLogFile(const char* xdgStateHome, const char* home) {
    std::filesystem::path folder;
    if (xdgStateHome != nullptr && xdgStateHome[0] == '/') {
        folder = xdgStateHome;
    } else if (home != nullptr && home[0] != '\0') {
        folder = std::filesystem::path(home) / ".local" / "state";
    } else {
        return std::nullopt;
    }
    return folder / "scandesk" / "scandesk.log";
}

}  // namespace scandesk
