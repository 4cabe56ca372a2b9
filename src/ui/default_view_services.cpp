// The application's own services for its windows.
#include <QDesktopServices>
#include <QFileDialog>

#include <cstdlib>

#include "session/default_services.h"
#include "session/desktop_directory.h"
#include "ui/add_scanner_dialog.h"
#include "ui/view_services.h"

namespace scandesk {
namespace {

// A modal folder panel: directories only, one selection.
std::optional<QString> chooseFolderWithPanel(QWidget* parent) {
    QFileDialog panel(parent);
    panel.setFileMode(QFileDialog::Directory);
    panel.setOption(QFileDialog::ShowDirsOnly, true);
    if (panel.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    const QStringList chosen = panel.selectedFiles();
    return chosen.isEmpty() ? QString() : chosen.front();
}

}  // namespace

SettingViewServices defaultViewServices(uint16_t scannerPort, QString logFolder) {
    SettingViewServices services;
    services.modelServices = [scannerPort] { return defaultModelServices(scannerPort); };
    // Discovery runs of one window may overlap (a refresh while one runs).
    services.makeBackgroundExecutor = [] { return std::make_unique<ThreadPerTaskExecutor>(); };
    services.chooseFolder = chooseFolderWithPanel;
    services.askAddress = AddScannerDialog::ask;
    services.openUrl = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    // ~/.config/ScanDesk/scandesk.conf
    services.openSettings = [] { return std::make_unique<QSettings>("ScanDesk", "scandesk"); };
    services.defaultSaveDir = QString::fromStdString(desktopDirectory());
    services.logFolder = std::move(logFolder);
    services.scannerPort = scannerPort;
    services.claimDocumentFolder = []() -> std::optional<DocumentFolderClaim> {
        const auto folder = stateFolder(std::getenv("XDG_STATE_HOME"), std::getenv("HOME"));
        return folder ? DocumentFolderClaim::claim(*folder) : std::nullopt;
    };
    return services;
}

}  // namespace scandesk
