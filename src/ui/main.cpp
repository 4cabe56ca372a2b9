// The desktop application's entry point.
#include <QApplication>

#include "discovery/snmp_environment.h"
#include "ui/kestscanner_app.h"
#include "ui/translations.h"

// Opens the first window and runs the event loop until the last window closes.
int main(int argc, char* argv[]) {
    scandesk::prepareSnmpEnvironment();  // before QApplication starts its threads
    QApplication application(argc, argv);
    QApplication::setApplicationName("ScanDesk");
    const scandesk::ScopedTranslations translations;
    scandesk::kestscannerApp app(scandesk::defaultViewServices());
    app.openWindow();
    return QApplication::exec();
}
