// The application shell: the Qt application and its independent windows.
#pragma once

#include <QList>
#include <QPointer>

#include "ui/content_view.h"
#include "ui/view_services.h"

namespace scandesk {

/// Opens windows, each a `ContentView` with its own settings view and model. The
/// application ends when its last window closes.
class kestscannerApp {
  public:
    explicit kestscannerApp(SettingViewServices services);

    /// Opens and shows one more window; it is deleted when closed.
    ContentView* openWindow();

    /// The windows still open, oldest first.
    QList<ContentView*> windows() const;

  private:
    SettingViewServices services_;
    QList<QPointer<ContentView>> windows_;
};

}  // namespace scandesk
