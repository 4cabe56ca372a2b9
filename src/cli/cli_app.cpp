// The list and scan commands of scandesk-cli over one scanner model.
#include "cli/cli_app.h"

#include <algorithm>
#include <functional>
#include <istream>
#include <mutex>
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
#include "ocr/languages.h"
#include "session/default_services.h"
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

// Prints the model's alert as the outcome line and gives the exit status of a run that
// failed or did not.
int outcome(bool failed, ScannerModel& model, ManualExecutor& main, const CliEnvironment& env) {
    main.runAll();
    env.out << (failed ? "error" : "info") << ": " << model.alertMessage() << "\n" << std::flush;
    return failed ? kExitError : kExitInfo;
}

// A scan pass that Ctrl-C and SIGTERM stop cleanly, and the signal that stopped it.
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

// The outcome line and exit status of a scan; a stopped scan is an error for scripts.
int outcome(const Interrupted& scanned, ScannerModel& model, ManualExecutor& main,
            const CliEnvironment& env) {
    const bool cancelled = scanned.outcome.code == ScanCode::cancelled;
    const int status = outcome(!scanned.outcome.succeeded(), model, main, env);
    return cancelled && scanned.signal > 0 ? kExitSignalBase + scanned.signal : status;
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
    if (!selectScanner(options, services, model, main, err)) {
        return outcome(true, model, main, env);
    }
    const Device scanner = model.selectedScanner();
    const std::string saveDir = options.dir ? *options.dir : env.desktopDirectory();
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
        const bool succeeded = scanned.outcome.succeeded();
        env.out << (succeeded ? "info: " : "error: ") << model.alertMessage() << "\n" << std::flush;
        if (!options.yes) {
            err.line("Press Enter to scan the second side, or type q and Enter to stop.");
            std::string answer;
            if (!std::getline(env.in, answer) || answer == "q" || answer == "Q") {
                // The first page stays in its receive directory.
                return succeeded ? kExitInfo : kExitError;
            }
        }
        scanned = interruptible(
            [&](std::stop_token stop) { return model.secondScan(*choices.request, stop); });
    }
    return outcome(scanned, model, main, env);
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
