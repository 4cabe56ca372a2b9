// Building one application window around its settings view.
#include "ui/content_view.h"

#include <QCloseEvent>
#include <QMenuBar>
#include <QSplitter>
#include <QStatusBar>
#include <QToolBar>

#include "ui/translations.h"

namespace scandesk {

ContentView::ContentView(const SettingViewServices& services, std::function<void()> openWindow) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(displayText("appTitle"));
    auto* splitter = new QSplitter(this);
    settingView_ = new SettingView(services, splitter);
    PageAreaHooks hooks;
    hooks.target = [this] { return settingView_->documentTarget(); };
    hooks.scan = [this] { settingView_->requestScan(); };
    hooks.scanning = [this] { return settingView_->scanning(); };
    hooks.status = [this](const QString& text) { statusBar()->showMessage(text); };
    pageArea_ =
        new PageArea(services.claimDocumentFolder ? services.claimDocumentFolder() : std::nullopt,
                     services.openSettings ? services.openSettings() : nullptr,
                     services.reviewForRun, std::move(hooks), splitter);
    splitter->addWidget(settingView_);
    splitter->addWidget(pageArea_);
    splitter->setStretchFactor(1, 1);
    setCentralWidget(splitter);
    resize(kIdealWidth, kIdealHeight);
    settingView_->setScanHooks(SettingView::ScanHooks{
        [this] { return pageArea_->reviewFolder(); },
        [this](const std::vector<std::string>& files, const CleanUpChoices& cleanUp) {
            pageArea_->addScannedPages(files, cleanUp);
        },
        [this](QList<QImage> pictures) { pageArea_->showLastScan(std::move(pictures)); }});

    auto* fileMenu = menuBar()->addMenu(displayText("File"));
    newWindowAction_ = fileMenu->addAction(displayText("New Window"));
    newWindowAction_->setObjectName("newWindow");
    newWindowAction_->setShortcut(QKeySequence::New);
    connect(newWindowAction_, &QAction::triggered, this, [openWindow] { openWindow(); });
    auto* pagesMenu = menuBar()->addMenu(displayText("pagesMenu"));
    pagesMenu->addAction(pageArea_->reviewAction());
    pagesMenu->addSeparator();
    auto* toolBar = addToolBar(displayText("pagesMenu").remove('&'));
    toolBar->setObjectName("pageTools");
    for (QAction* action : pageArea_->pageActions()) {
        if (action) {
            pagesMenu->addAction(action);
            toolBar->addAction(action);
        } else {
            pagesMenu->addSeparator();
            toolBar->addSeparator();
        }
    }
    // A user who reports a problem attaches the log file from here.
    auto* helpMenu = menuBar()->addMenu(displayText("Help"));
    openLogFolderAction_ = helpMenu->addAction(displayText("Open log folder"));
    openLogFolderAction_->setObjectName("openLogFolder");
    openLogFolderAction_->setEnabled(!services.logFolder.isEmpty() && services.openUrl);
    connect(openLogFolderAction_, &QAction::triggered, this,
            [open = services.openUrl, folder = services.logFolder] {
                open(QUrl::fromLocalFile(folder));
            });
    statusBar()->setObjectName("status");
    pageArea_->reportRestore();
}

void ContentView::closeEvent(QCloseEvent* event) {
    if (settingView_->scanning()) {
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}

}  // namespace scandesk
