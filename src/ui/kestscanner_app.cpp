// Opening the application's windows.
#include "ui/kestscanner_app.h"

namespace scandesk {

kestscannerApp::kestscannerApp(SettingViewServices services) : services_(std::move(services)) {}

ContentView* kestscannerApp::openWindow() {
    auto* window = new ContentView(services_, [this] { openWindow(); });
    windows_.append(window);
    window->show();
    return window;
}

QList<ContentView*> kestscannerApp::windows() const {
    QList<ContentView*> open;
    for (const auto& window : windows_) {
        if (window) {
            open.append(window);
        }
    }
    return open;
}

}  // namespace scandesk
