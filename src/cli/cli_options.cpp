// Parsing scandesk-cli's command line.
#include "cli/cli_options.h"

#include <charconv>
#include <map>

#include "network/ipv4_address.h"

namespace scandesk {
namespace {

using Field = std::optional<std::string> CliOptions::*;

// The scan options that take a value, by name.
const std::map<std::string, Field, std::less<>>& valueOptions() {
    static const std::map<std::string, Field, std::less<>> options{
        {"--net", &CliOptions::netAddress},
        {"--model", &CliOptions::model},
        {"--source", &CliOptions::source},
        {"--mode", &CliOptions::mode},
        {"--content", &CliOptions::content},
        {"--resolution", &CliOptions::resolution},
        {"--page-size", &CliOptions::pageSize},
        {"--format", &CliOptions::format},
        {"--rotate", &CliOptions::rotate},
        {"--combine", &CliOptions::combine},
        {"--ocr", &CliOptions::ocr},
        {"--blank", &CliOptions::blank},
        {"--dir", &CliOptions::dir},
    };
    return options;
}

// A TCP port in 1..65535.
std::optional<uint16_t> parsePort(const std::string& text) {
    unsigned value = 0;
    auto [rest, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || rest != text.data() + text.size() || value == 0 ||
        value > 65535) {
        return std::nullopt;
    }
    return static_cast<uint16_t>(value);
}

// A parse that failed for the given reason.
CliParse failure(std::string error) {
    return {std::nullopt, std::move(error)};
}

// Checks that go across options once all are read.
std::string crossCheck(const CliOptions& o) {
    if (o.netAddress && o.usb) {
        return "--net and --usb exclude each other";
    }
    if (o.netAddress && !isDottedIPv4(*o.netAddress)) {
        return "--net needs a dotted IPv4 address, not '" + *o.netAddress + "'";
    }
    if (o.model && !o.netAddress) {
        return "--model needs --net";
    }
    if (o.port && !o.netAddress) {
        return "--port needs --net";
    }
    if (o.dir && o.dir->empty()) {
        return "--dir must name a directory";
    }
    if (o.prefix.empty()) {
        return "--prefix must not be empty";
    }
    if (o.ocr && o.format != "pdf") {
        return "--ocr writes its text into a PDF: it needs --format pdf";
    }
    if (o.blank && *o.blank != "skip" && *o.blank != "keep") {
        return "--blank takes skip or keep, not '" + *o.blank + "'";
    }
    if (o.deskew && o.format != "pdf") {
        return "pages are straightened in a PDF, never in page files: --deskew needs --format pdf";
    }
    return "";
}

}  // namespace

CliParse parseCliArguments(const std::vector<std::string>& args) {
    CliOptions options;
    if (args.empty()) {
        return failure("a command is needed: list or scan");
    }
    const std::string& verb = args[0];
    if (verb == "--help" || verb == "-h" || verb == "help") {
        return {options, ""};
    }
    if (verb != "list" && verb != "scan") {
        return failure("unknown command '" + verb + "'");
    }
    options.verb = verb == "list" ? CliOptions::Verb::list : CliOptions::Verb::scan;
    const bool scan = options.verb == CliOptions::Verb::scan;

    for (size_t i = 1; i < args.size(); ++i) {
        std::string name = args[i];
        std::optional<std::string> value;
        if (auto equals = name.find('='); name.rfind("--", 0) == 0 && equals != std::string::npos) {
            value = name.substr(equals + 1);
            name.resize(equals);
        }
        if (name == "--help" || name == "-h") {
            options.verb = CliOptions::Verb::help;
            return {options, ""};
        }
        const bool flag = name == "--verbose" || name == "--json" || name == "--usb" ||
                          name == "--yes" || name == "--deskew" || name == "--orient";
        if (flag) {
            if (value) {
                return failure(name + " takes no value");
            }
            if (name == "--verbose") {
                options.verbose = true;
            } else if (name == "--json") {
                options.json = true;
            } else if (name == "--usb" && scan) {
                options.usb = true;
            } else if (name == "--yes" && scan) {
                options.yes = true;
            } else if (name == "--deskew" && scan) {
                options.deskew = true;
            } else if (name == "--orient" && scan) {
                options.orient = true;
            } else {
                return failure(name + " is not an option of " + verb);
            }
            continue;
        }
        const auto field = valueOptions().find(name);
        const bool eitherVerb = name == "--log-file";
        const bool takesValue =
            field != valueOptions().end() || name == "--port" || name == "--prefix" || eitherVerb;
        if (!takesValue) {
            return failure("unknown option '" + name + "'");
        }
        if (!scan && !eitherVerb) {
            return failure(name + " is not an option of " + verb);
        }
        if (!value) {
            if (i + 1 >= args.size()) {
                return failure(name + " needs a value");
            }
            value = args[++i];
        }
        if (name == "--port") {
            options.port = parsePort(*value);
            if (!options.port) {
                return failure("--port needs a number from 1 to 65535, not '" + *value + "'");
            }
        } else if (name == "--prefix") {
            options.prefix = *value;
        } else if (eitherVerb) {
            if (value->empty()) {
                return failure("--log-file must name a file");
            }
            options.logFile = *value;
        } else {
            options.*(field->second) = *value;
        }
    }
    if (std::string problem = crossCheck(options); !problem.empty()) {
        return failure(problem);
    }
    return {options, ""};
}

const char* cliUsage() {
    return R"(usage: scandesk-cli list [--json] [--verbose] [--log-file PATH]
       scandesk-cli scan [--net IP [--model NAME] [--port N] | --usb] [options]
  --source AUTO|ADF|FB          --mode CGRAY|GRAY256|TEXT     --content AUTO|PHOTO|TYPE
  --resolution 200dpi|300dpi|600dpi|1200dpi                   --page-size A4|A5|...
  --format image|pdf            --rotate 0|90|180|270 (degrees counter-clockwise)
  --combine NoCombine|CombinHorizontal|CombinVertical|IDCard
  --dir DIR (default: the desktop directory)                  --prefix TEXT (default: file)
  --yes (confirm the second-pass prompt without waiting)      --verbose
  --log-file PATH (diagnostics to PATH as well)
  --ocr LANGS (searchable PDF; installed languages joined by +, e.g. eng or chi_sim+eng)
  --json (the outcome as one JSON object: outcome, code, pages, files)
  --blank skip|keep (skip: blank pages are set aside in a folder of their own; default keep)
  --deskew (straightens pages in the PDF; needs --format pdf)  --orient (turns pages upright)
A scan prints each file it left, one absolute path a line, before its outcome line.
)";
}

}  // namespace scandesk
