// The list and scan commands of scandesk-cli over one scanner model.
#include "cli/cli_app.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <functional>
#include <istream>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <ostream>

#include "cli/cli_options.h"
#include "cli/device_json.h"
#include "cli/english_strings.h"
#include "cli/interrupt_to_stop.h"
#include "cli/scan_choices.h"
#include "common/executor.h"
#include "common/localization.h"
#include "devices/catalogue.h"
#include "logging/program_log.h"
#include "network/unique_fd.h"
#include "ocr/languages.h"
#include "session/default_services.h"
#include "session/scan_parameter_mapping.h"
#include "session/scanner_model.h"

namespace scandesk {
namespace {

// How often the main loop looks for discovery results.
constexpr std::chrono::milliseconds kDiscoveryPollInterval{100};

// Installs the English table for the run and restores the previous lookup.
class EnglishTexts {
  public:
    EnglishTexts() : previous_(setLocalizer(englishText)) {}
    ~EnglishTexts() { setLocalizer(std::move(previous_)); }
    EnglishTexts(const EnglishTexts&) = delete;
    EnglishTexts& operator=(const EnglishTexts&) = delete;

  private:
    Localizer previous_;
};

// Standard error, shared by the command's own lines and the log's console, which writes
// from its own thread.
class SharedErr {
  public:
    explicit SharedErr(std::ostream& err) : err_(err) {}

    // One whole line, flushed.
    void line(std::string_view text) {
        std::lock_guard lock(mutex_);
        err_ << text << "\n" << std::flush;
    }

  private:
    std::mutex mutex_;
    std::ostream& err_;
};

// The log of one run: standard error from warnings up (debug with --verbose) and, with
// --log-file, that file from info up (debug with --verbose).
ProgramLogSettings logSettings(const CliOptions& options, SharedErr& err) {
    ProgramLogSettings settings;
    settings.consoleLevel = options.verbose ? Level::debug : Level::warning;
    settings.console = [&err](std::string_view line) { err.line(line); };
    if (options.logFile) {
        settings.file = *options.logFile;
        settings.fileLevel = options.verbose ? Level::debug : Level::info;
    }
    return settings;
}

// Reports a usage error with the usage text; gives the usage exit status.
int usageError(const CliEnvironment& env, const std::string& problem) {
    env.err << "scandesk-cli: " << problem << "\n" << cliUsage();
    return kExitUsage;
}

// What is wrong with the recognition languages asked for, if anything: a request that is
// not a list of codes, or codes that are not installed.
std::string ocrProblem(const CliOptions& options) {
    if (!options.ocr) {
        return "";
    }
    const std::vector<std::string> installed = installedLanguages();
    const std::string offered =
        installed.empty() ? "none (install tesseract-ocr-eng)" : joinLanguages(installed);
    const auto codes = parseLanguages(*options.ocr);
    if (!codes) {
        return "--ocr: '" + *options.ocr +
               "' is not a list of language codes joined by +; installed: " + offered;
    }
    const std::vector<std::string> missing = missingLanguages(*codes, installed);
    if (!missing.empty()) {
        return "--ocr: the language(s) " + joinLanguages(missing) +
               " are not installed; installed: " + offered;
    }
    return "";
}

// One discovery run of the model, waited for on this thread (the main executor's);
// `listChanged` is called whenever the list changes while it runs.
void discover(ScannerModel& model, ManualExecutor& main,
              const std::function<void()>& listChanged = {}) {
    bool done = false;
    const ObserverId id = model.addObserver([&](ModelProperty changed) {
        if (changed == ModelProperty::isFinding && !model.isFinding()) {
            done = true;
        }
        if (changed == ModelProperty::scannerList && listChanged) {
            listChanged();
        }
    });
    model.autoDetectScanners();
    while (!done) {
        main.runFor(kDiscoveryPollInterval);
    }
    model.removeObserver(id);
}

// The model's alert as the outcome line of a run that failed or did not.
std::string outcomeLine(bool failed, const ScannerModel& model) {
    return (failed ? "error: " : "info: ") + model.alertMessage();
}

// Prints the outcome line and gives the exit status of a run that failed or did not.
int outcome(bool failed, ScannerModel& model, ManualExecutor& main, const CliEnvironment& env) {
    main.runAll();
    env.out << outcomeLine(failed, model) << "\n" << std::flush;
    return failed ? kExitError : kExitInfo;
}

// A scan pass that Ctrl-C, SIGTERM and SIGHUP stop cleanly, and the signal that stopped it.
struct Interrupted {
    ScanOutcome outcome;
    int signal = 0;
};

template <typename Pass>
Interrupted interruptible(Pass pass) {
    std::stop_source stop;
    const InterruptToStop interrupts(stop);
    ScanOutcome outcome = pass(stop.get_token());
    return {std::move(outcome), interrupts.signal()};
}

// The end of a scan: the files it left, one absolute path a line, then the outcome line;
// or, with --json, one object of both. A stopped scan is an error for scripts.
int outcome(const Interrupted& scanned, const CliOptions& options, ScannerModel& model,
            ManualExecutor& main, const CliEnvironment& env) {
    main.runAll();
    const ScanOutcome& result = scanned.outcome;
    const std::string line = outcomeLine(!result.succeeded(), model);
    if (options.json) {
        const nlohmann::json object{{"outcome", line},
                                    {"code", alertKey(result.code)},
                                    {"pages", result.pagesStored},
                                    {"files", result.files}};
        env.out << object.dump() << "\n" << std::flush;
    } else {
        for (const std::string& file : result.files) {
            env.out << file << "\n";
        }
        env.out << line << "\n" << std::flush;
    }
    const bool cancelled = result.code == ScanCode::cancelled;
    if (cancelled && scanned.signal > 0) {
        return kExitSignalBase + scanned.signal;
    }
    return result.succeeded() ? kExitInfo : kExitError;
}

// The answer at the second-pass prompt: whether to go on, and the signal that ended the
// wait, if one did.
struct Answer {
    bool goOn = false;
    int signal = 0;
};

// Reads one line from `fd` (without the line feed) unless `woken` becomes readable
// first; nothing at the end of the input or when woken.
std::optional<std::string> readLine(int fd, int woken) {
    std::string line;
    for (;;) {
        pollfd waits[2] = {{fd, POLLIN, 0}, {woken, POLLIN, 0}};
        if (::poll(waits, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return std::nullopt;
        }
        if (waits[1].revents != 0) {
            return std::nullopt;
        }
        char c = 0;
        const ssize_t got = ::read(fd, &c, 1);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return line.empty() ? std::nullopt : std::optional(line);
        }
        if (c == '\n') {
            return line;
        }
        line += c;
    }
}

// Waits for Enter (go on) or "q", the end of the input or a signal (stop). Read straight
// from the descriptor, so that a signal ends the wait at once.
Answer awaitAnswer(const CliEnvironment& env) {
    std::stop_source stop;
    const InterruptToStop interrupts(stop);
    std::optional<std::string> answer;
    if (env.inFd >= 0) {
        const UniqueFd woken(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
        const std::stop_callback wake(stop.get_token(), [fd = woken.get()] {
            const uint64_t one = 1;
            [[maybe_unused]] const ssize_t written = ::write(fd, &one, sizeof(one));
        });
        answer = readLine(env.inFd, woken.get());
    } else if (std::string line; std::getline(env.in, line)) {
        answer = std::move(line);
    }
    return {answer && *answer != "q" && *answer != "Q", interrupts.signal()};
}

// The names of every catalogue row, for the unknown-model error.
std::string catalogueNames() {
    std::string names;
    for (const auto* rows : {&IDDevice(), &KESTDevices()}) {
        for (const BaseDevice& row : *rows) {
            names += (names.empty() ? "" : ", ") + row.name;
        }
    }
    return names;
}

// `list`: one discovery run, each scanner printed as a line as soon as it is found, or
// all of them as JSON at the end.
int listScanners(const CliOptions& options, ScannerModel& model, ManualExecutor& main,
                 const CliEnvironment& env) {
    std::vector<Uuid> printed;
    const auto printNew = [&] {
        for (const Device& d : model.scannerList()) {
            if (std::find(printed.begin(), printed.end(), d.id) != printed.end()) {
                continue;
            }
            printed.push_back(d.id);
            env.out << d.name << "\t" << toText(d.transport) << "\t" << (d.ip.empty() ? "-" : d.ip)
                    << "\t" << d.label << "\n"
                    << std::flush;
        }
    };
    if (options.json) {
        discover(model, main);
        env.out << devicesAsJson(model.scannerList()) << "\n";
        // Nothing found is an error for scripts, as without --json.
        return model.scannerList().empty() ? kExitError : kExitInfo;
    }
    discover(model, main, printNew);
    printNew();
    return model.scannerList().empty() ? outcome(true, model, main, env) : kExitInfo;
}

// Selects the scanner the options name; false when none was found (the alert says so).
bool selectScanner(const CliOptions& options, const ScannerModelServices& services,
                   ScannerModel& model, ManualExecutor& main, SharedErr& err) {
    if (options.netAddress) {
        const std::string& ip = *options.netAddress;
        std::optional<Device> device;
        if (options.model) {
            device = Device::fromNetworkRow(*catalogueRowNamed(*options.model), ip);
        } else {
            device = services.identifyScanner(ip);
            if (!device) {
                const BaseDevice& assumed = IDDevice().front();
                err.line("note: the scanner at " + ip + " did not identify itself; " +
                         "assuming the model " + assumed.name);
                device = Device::fromNetworkRow(assumed, ip);
            }
        }
        model.addScanner(*device);
        return true;
    }
    if (options.usb) {
        const auto found = services.usbSearch();
        if (found.empty()) {
            model.raiseAlert("error", "noScannerFound");
            return false;
        }
        model.addScanner(found.front());
        return true;
    }
    discover(model, main);
    return !model.scannerList().empty();
}

// `scan`: chooses the scanner, checks the option values, scans, asks for the second pass.
int scan(const CliOptions& options, const ScannerModelServices& services, ScannerModel& model,
         ManualExecutor& main, const CliEnvironment& env, SharedErr& err) {
    if (options.model && !catalogueRowNamed(*options.model)) {
        return usageError(env, "--model: '" + *options.model +
                                   "' is not a known model; known: " + catalogueNames());
    }
    if (std::string problem = ocrProblem(options); !problem.empty()) {
        return usageError(env, problem);
    }
    const std::string saveDir = options.dir ? *options.dir : env.desktopDirectory();
    if (!isValidFileNamePrefix(options.prefix)) {
        return usageError(env, "--prefix: '" + options.prefix + "' must be a name, without '/'");
    }
    if (!prefixFitsNameLimit(saveDir, options.prefix)) {
        return usageError(env, "--prefix is too long: at most " +
                                   std::to_string(maxPrefixBytes(saveDir)) +
                                   " bytes fit in the file names of " + saveDir);
    }
    if (!selectScanner(options, services, model, main, err)) {
        return outcome(true, model, main, env);
    }
    const Device scanner = model.selectedScanner();
    const ChoicesOutcome choices = scanChoices(options, scanner, saveDir);
    if (!choices.request) {
        return usageError(env, choices.error + " (scanner: " + scanner.label + ")");
    }
    if (env.errIsTerminal) {
        model.setPageProgress(
            [&err](int pageNo) { err.line("received page " + std::to_string(pageNo)); });
        model.setAnalysisProgress([&err](int done, int total) {
            err.line(fillIn(localized("recognisingText"),
                            {std::to_string(done), std::to_string(total)}));
        });
    }
    Interrupted scanned = interruptible(
        [&](std::stop_token stop) { return model.startScan(*choices.request, stop); });
    // A failed second pass keeps the first page and may be tried again; --yes tries once.
    for (bool firstTry = true; scanned.outcome.needsSecondPass && (firstTry || !options.yes);
         firstTry = false) {
        main.runAll();
        if (!options.json) {
            env.out << outcomeLine(!scanned.outcome.succeeded(), model) << "\n" << std::flush;
        }
        if (!options.yes) {
            err.line("Press Enter to scan the second side, or type q and Enter to stop.");
            const Answer answer = awaitAnswer(env);
            if (!answer.goOn) {
                // The first side's page stays in its receive directory; the scan is not done.
                const bool stopped = answer.signal > 0;
                return outcome({model.endTwoPassScan(scanned.outcome, stopped), answer.signal},
                               options, model, main, env);
            }
        }
        scanned = interruptible(
            [&](std::stop_token stop) { return model.secondScan(*choices.request, stop); });
    }
    return outcome(scanned, options, model, main, env);
}

}  // namespace

int runCli(const std::vector<std::string>& args, const CliEnvironment& env) {
    const CliParse parsed = parseCliArguments(args);
    if (!parsed.options) {
        return usageError(env, parsed.error);
    }
    const CliOptions& options = *parsed.options;
    if (options.verb == CliOptions::Verb::help) {
        env.out << cliUsage();
        return kExitInfo;
    }
    if (const auto problem = options.logFile ? logFileProblem(*options.logFile) : std::nullopt) {
        return usageError(env,
                          "--log-file: cannot write to '" + *options.logFile + "': " + *problem);
    }
    SharedErr err(env.err);
    const ProgramLog log(logSettings(options, err));
    EnglishTexts english;
    ManualExecutor main;
    ThreadPerTaskExecutor background;
    const ScannerModelServices services = env.services(options.port.value_or(kScannerPort));
    ScannerModel model(main, background, services, false);
    if (options.verb == CliOptions::Verb::list) {
        return listScanners(options, model, main, env);
    }
    return scan(options, services, model, main, env, err);
}

}  // namespace scandesk
