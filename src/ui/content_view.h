// The root of one window: its settings view and its menus (New Window, Open log folder).
#pragma once

#include <QAction>
#include <QMainWindow>
#include <functional>

#include "ui/setting_view.h"

namespace scandesk {

/// One application window whose content is a `SettingView` with its own model.
class ContentView final : public QMainWindow {
  public:
    /// `openWindow` opens a further, independent window (the "New Window" action).
    ContentView(const SettingViewServices& services, std::function<void()> openWindow);

    SettingView& settingView() { return *settingView_; }
    /// The "New Window" action (Ctrl+N).
    QAction* newWindowAction() const { return newWindowAction_; }
    /// "Help → Open log folder"; disabled when the window has no log folder.
    QAction* openLogFolderAction() const { return openLogFolderAction_; }

  protected:
    /// Keeps the window open while a scan pass still runs on its worker.
    void closeEvent(QCloseEvent* event) override;

  private:
    SettingView* settingView_ = nullptr;
    QAction* newWindowAction_ = nullptr;
    QAction* openLogFolderAction_ = nullptr;
};

}  // namespace scandesk
