// The desktop application's entry point.
#include <QApplication>
#include <QCommandLineParser>
#include <cstdio>

#include "discovery/snmp_environment.h"
#include "network/network_scan_options.h"
#include "ui/kestscanner_app.h"
#include "ui/translations.h"

// Opens the first window and runs the event loop until the last window closes.
int main(int argc, char* argv[]) {
    scandesk::prepareSnmpEnvironment();  // before QApplication starts its threads
    QApplication application(argc, argv);
    QApplication::setApplicationName("ScanDesk");
    QCommandLineParser parser;
    parser.addHelpOption();
    // For a scanner (or the virtual scanner) listening on another port than its own.
    const QCommandLineOption portOption("scanner-port", "TCP port of network scanners.", "N",
                                        QString::number(scandesk::kScannerPort));
    parser.addOption(portOption);
    parser.process(application);
    bool number = false;
    const uint port = parser.value(portOption).toUInt(&number);
    if (!number || port == 0 || port > 65535) {
        std::fprintf(stderr, "scandesk: --scanner-port needs a number from 1 to 65535\n");
        return 2;
    }
    const scandesk::ScopedTranslations translations;
    scandesk::kestscannerApp app(scandesk::defaultViewServices(static_cast<uint16_t>(port)));
    app.openWindow();
    return QApplication::exec();
}
