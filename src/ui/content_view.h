// The root of one window: the settings panel, the page area, the menus and the status line.
#pragma once

#include <QAction>
#include <QMainWindow>
#include <functional>

#include "ui/page_area.h"
#include "ui/setting_view.h"

namespace scandesk {

/// One application window: a `SettingView` with its own model as the side panel, beside
/// the page area of the window's document.
class ContentView final : public QMainWindow {
  public:
    /// The window's first size: the settings panel and four columns of pages.
    static constexpr int kIdealWidth = 1180;
    static constexpr int kIdealHeight = 700;

    /// `openWindow` opens a further, independent window (the "New Window" action).
    ContentView(const SettingViewServices& services, std::function<void()> openWindow);

    SettingView& settingView() { return *settingView_; }
    PageArea& pageArea() { return *pageArea_; }
    /// The "New Window" action (Ctrl+N).
    QAction* newWindowAction() const { return newWindowAction_; }
    /// "Help → Open log folder"; disabled when the window has no log folder.
    QAction* openLogFolderAction() const { return openLogFolderAction_; }

  protected:
    /// Keeps the window open while a scan pass still runs on its worker.
    void closeEvent(QCloseEvent* event) override;

  private:
    SettingView* settingView_ = nullptr;
    PageArea* pageArea_ = nullptr;
    QAction* newWindowAction_ = nullptr;
    QAction* openLogFolderAction_ = nullptr;
};

}  // namespace scandesk
