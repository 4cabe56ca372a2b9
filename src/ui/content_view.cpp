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
}

void ContentView::closeEvent(QCloseEvent* event) {
    if (settingView_->scanning()) {
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}

}  // namespace scandesk
