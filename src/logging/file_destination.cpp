// The file destination: default location, saving lines, colouring and removal.
#include "logging/file_destination.h"

#include <cerrno>
#include <cstdlib>

#include "common/diagnostics.h"

namespace scandesk {
namespace {

namespace fs = std::filesystem;

constexpr const char* kLogFileName = "lumberly.log";

// The user's cache folder by the desktop conventions, if one can be named.
std::optional<fs::path> cacheDirectory(const char* xdgCacheHome, const char* home) {
    if (xdgCacheHome != nullptr && xdgCacheHome[0] == '/') {
        return fs::path(xdgCacheHome);
    }
    if (home != nullptr && home[0] != '\0') {
        return fs::path(home) / ".cache";
    }
    return std::nullopt;
}

}  // namespace

FileDestination::FileDestination(std::optional<fs::path> logFileURL)
    : logFileURL(logFileURL ? std::move(logFileURL) : defaultLogFileURL()) {}

std::optional<fs::path> FileDestination::defaultLogFileURL() {
    return defaultLogFileURL(std::getenv("XDG_CACHE_HOME"), std::getenv("HOME"),
                             program_invocation_short_name);
}

std::optional<fs::path> FileDestination::defaultLogFileURL(const char* xdgCacheHome,
                                                           const char* home,
                                                           std::string_view programName) {
    std::optional<fs::path> directory = cacheDirectory(xdgCacheHome, home);
    if (!directory) {
        return std::nullopt;
    }
    if (!programName.empty()) {
        const fs::path programDirectory = *directory / programName;
        std::error_code error;
        fs::create_directories(programDirectory, error);
        if (!error) {
            directory = programDirectory;
        } else {
            diagWarning("Warning! Could not create folder ", programDirectory.string());
        }
    }
    return *directory / kLogFileName;
}

std::optional<std::string> FileDestination::send(Level level, const std::string& msg,
                                                 const std::string& thread, const std::string& file,
                                                 const std::string& function, int line,
                                                 const std::optional<std::string>& context) {
    std::optional<std::string> text =
        BaseDestination::send(level, msg, thread, file, function, line, context);
    if (text && logFileURL) {
        writer_.append(*logFileURL, *text,
                       LogFileWriter::Settings{syncAfterEachWrite, logFileMaxSize, logFileAmount});
    }
    return text;
}

bool FileDestination::deleteLogFile() {
    if (!logFileURL) {
        return true;
    }
    bool removed = false;
    queue().runAndWait([&] { removed = writer_.remove(*logFileURL); });
    return removed;
}

void FileDestination::setColored(bool on) {
    colored_ = on;
    applyColorScheme(on ? terminalColorScheme() : plainColorScheme());
}

}  // namespace scandesk
