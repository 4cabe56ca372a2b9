// The command line of scandesk-cli, parsed into options.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace scandesk {

/// Everything the command line says; values are checked against the scanner later.
struct CliOptions {
    enum class Verb { help, list, scan };
    Verb verb = Verb::help;
    bool json = false;
    std::optional<std::string> netAddress;
    std::optional<std::string> model;
    std::optional<uint16_t> port;
    bool usb = false;
    std::optional<std::string> source;
    std::optional<std::string> mode;
    std::optional<std::string> content;
    std::optional<std::string> resolution;
    std::optional<std::string> pageSize;
    std::optional<std::string> format;
    std::optional<std::string> rotate;
    std::optional<std::string> combine;
    std::optional<std::string> ocr;    ///< recognition languages for a searchable PDF
    std::optional<std::string> blank;  ///< skip | keep
    bool deskew = false;
    bool orient = false;
    std::optional<std::string> dir;
    std::string prefix = "file";
    bool yes = false;
    bool verbose = false;
    /// A file that takes the diagnostics as well (info and up; debug with --verbose).
    std::optional<std::string> logFile;
};

/// The options, or the reason the command line is unusable.
struct CliParse {
    std::optional<CliOptions> options;
    std::string error;
};

/// Parses the arguments after the program name. Options take their value as the next
/// argument or after "=".
CliParse parseCliArguments(const std::vector<std::string>& args);

/// The usage text printed with usage errors and for --help.
const char* cliUsage();

}  // namespace scandesk
