// The desktop application's entry point.
#include <QApplication>
#include <QCommandLineParser>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <system_error>

#include "discovery/snmp_environment.h"
#include "logging/program_log.h"
#include "network/ipv4_address.h"
#include "network/network_scan_options.h"
#include "ocr/openmp_limit.h"
#include "ui/kestscanner_app.h"
#include "ui/translations.h"

namespace {

// The window's log file keeps this many bytes before it moves to ".1".
constexpr int64_t kLogFileMaxBytes = 1024 * 1024;
// The current log file and two older ones.
constexpr int kLogFileCount = 3;

// Diagnostics to the rotating log file from info up and to standard error from warnings
// up (debug with --verbose).
scandesk::ProgramLogSettings windowLogSettings(bool verbose) {
    scandesk::ProgramLogSettings settings;
    settings.consoleLevel = verbose ? scandesk::Level::debug : scandesk::Level::warning;
    settings.file = scandesk::stateLogFile(std::getenv("XDG_STATE_HOME"), std::getenv("HOME"));
    settings.fileLevel = scandesk::Level::info;
    settings.fileMaxSize = kLogFileMaxBytes;
    settings.fileAmount = kLogFileCount;
    if (settings.file) {
        // Made at start, so that "Open log folder" finds it before the first line.
        std::error_code ignored;
        std::filesystem::create_directories(settings.file->parent_path(), ignored);
    }
    return settings;
}

}  // namespace

// Opens the first window and runs the event loop until the last window closes.
int main(int argc, char* argv[]) {
    scandesk::limitOpenMpThreads(argv);  // may start the program again, so first
    scandesk::prepareSnmpEnvironment();  // before QApplication starts its threads
    QApplication application(argc, argv);
    QApplication::setApplicationName("ScanDesk");
    QCommandLineParser parser;
    parser.addHelpOption();
    // For a scanner (or the virtual scanner) listening on another port than its own.
    const QCommandLineOption portOption("scanner-port", "TCP port of network scanners.", "N",
                                        QString::number(scandesk::kScannerPort));
    parser.addOption(portOption);
    const QCommandLineOption verboseOption("verbose", "Debug diagnostics on standard error.");
    parser.addOption(verboseOption);
    const QCommandLineOption reviewOption(
        "review", "Review pages before saving, for this run (the setting stays as it is).");
    parser.addOption(reviewOption);
    const QCommandLineOption scannerOption(
        "scanner", "Start with the network scanner at IP[:PORT] selected, without a discovery.",
        "IP[:PORT]");
    parser.addOption(scannerOption);
    const QCommandLineOption modelOption(
        "model", "With --scanner: the scanner's model, instead of asking the scanner.", "NAME");
    parser.addOption(modelOption);
    parser.process(application);
    bool number = false;
    uint port = parser.value(portOption).toUInt(&number);
    if (!number || port == 0 || port > 65535) {
        std::fprintf(stderr, "scandesk: --scanner-port needs a number from 1 to 65535\n");
        return 2;
    }
    std::optional<scandesk::ScannerAddress> startScanner;
    if (parser.isSet(scannerOption)) {
        const QStringList parts = parser.value(scannerOption).split(':');
        const uint given = parts.size() == 2 ? parts[1].toUInt(&number) : port;
        if (parts.size() > 2 || (parts.size() == 2 && (!number || given == 0 || given > 65535)) ||
            !scandesk::isDottedIPv4(parts[0].toStdString())) {
            std::fprintf(stderr, "scandesk: --scanner needs IP[:PORT], such as 192.0.2.7:9100\n");
            return 2;
        }
        port = given;
        startScanner = scandesk::ScannerAddress{parts[0], parser.value(modelOption)};
    } else if (parser.isSet(modelOption)) {
        std::fprintf(stderr, "scandesk: --model goes with --scanner\n");
        return 2;
    }
    const scandesk::ProgramLogSettings logging = windowLogSettings(parser.isSet(verboseOption));
    const QString logFolder =
        logging.file ? QString::fromStdString(logging.file->parent_path().string()) : QString();
    const scandesk::ProgramLog log(logging);
    const scandesk::ScopedTranslations translations;
    scandesk::SettingViewServices services =
        scandesk::defaultViewServices(static_cast<uint16_t>(port), logFolder);
    services.reviewForRun = parser.isSet(reviewOption);
    services.startScanner = startScanner;
    scandesk::kestscannerApp app(std::move(services));
    app.openWindow();
    return QApplication::exec();
}
