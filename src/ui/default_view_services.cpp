// The application's own services for its windows.
#include <QFileDialog>
#include <QInputDialog>

#include "session/default_services.h"
#include "session/desktop_directory.h"
#include "ui/translations.h"
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

// A modal text dialog for the scanner's address.
std::optional<QString> askAddressWithDialog(QWidget* parent) {
    bool confirmed = false;
    const QString text =
        QInputDialog::getText(parent, displayText("addScannerByAddress"),
                              displayText("scannerAddress"), QLineEdit::Normal, {}, &confirmed);
    if (!confirmed) {
        return std::nullopt;
    }
    return text;
}

}  // namespace

SettingViewServices defaultViewServices() {
    SettingViewServices services;
    services.modelServices = [] { return defaultModelServices(); };
    // Discovery runs of one window may overlap (a refresh while one runs).
    services.makeBackgroundExecutor = [] { return std::make_unique<ThreadPerTaskExecutor>(); };
    services.chooseFolder = chooseFolderWithPanel;
    services.askAddress = askAddressWithDialog;
    services.defaultSaveDir = QString::fromStdString(desktopDirectory());
    return services;
}

}  // namespace scandesk
