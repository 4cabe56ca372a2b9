// What a settings window calls outside itself: the session's services and the dialogs.
#pragma once

#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

#include "common/executor.h"
#include "session/model_services.h"

namespace scandesk {

/// Asks for an output folder: nothing when cancelled, an empty text when the user
/// confirmed without choosing a location.
using FolderChooser = std::function<std::optional<QString>(QWidget* parent)>;

/// Asks for a scanner's IPv4 address: nothing when cancelled.
using AddressPrompt = std::function<std::optional<QString>(QWidget* parent)>;

/// Everything a settings window needs from outside; tests replace each member.
struct SettingViewServices {
    /// The services of each new window's model (discovery, transports, imaging).
    std::function<ScannerModelServices()> modelServices;
    /// The executor that runs a window's discovery work items.
    std::function<std::unique_ptr<Executor>()> makeBackgroundExecutor;
    FolderChooser chooseFolder;
    AddressPrompt askAddress;
    /// The output directory a new window starts with.
    QString defaultSaveDir;
};

/// The application's wiring: real discovery and scanning, the folder panel, the
/// address dialog and the user's desktop directory.
SettingViewServices defaultViewServices();

}  // namespace scandesk
