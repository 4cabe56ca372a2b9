// Building one application window around its settings view.
#include "ui/content_view.h"

#include <QCloseEvent>
#include <QMenuBar>

#include "ui/translations.h"

namespace scandesk {

ContentView::ContentView(const SettingViewServices& services, std::function<void()> openWindow) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(displayText("appTitle"));
    settingView_ = new SettingView(services, this);
    setCentralWidget(settingView_);
    auto* fileMenu = menuBar()->addMenu(displayText("File"));
    newWindowAction_ = fileMenu->addAction(displayText("New Window"));
    newWindowAction_->setObjectName("newWindow");
    newWindowAction_->setShortcut(QKeySequence::New);
    connect(newWindowAction_, &QAction::triggered, this, [openWindow] { openWindow(); });
    // A user who reports a problem attaches the log file from here.
    auto* helpMenu = menuBar()->addMenu(displayText("Help"));
    openLogFolderAction_ = helpMenu->addAction(displayText("Open log folder"));
    openLogFolderAction_->setObjectName("openLogFolder");
    openLogFolderAction_->setEnabled(!services.logFolder.isEmpty() && services.openUrl);
    connect(openLogFolderAction_, &QAction::triggered, this,
            [open = services.openUrl, folder = services.logFolder] {
                open(QUrl::fromLocalFile(folder));
            });
}

void ContentView::closeEvent(QCloseEvent* event) {
    if (settingView_->scanning()) {
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}

}  // namespace scandesk
