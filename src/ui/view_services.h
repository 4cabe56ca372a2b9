// What a settings window calls outside itself: the session's services and the dialogs.
#pragma once

#include <QSettings>
#include <QString>
#include <QUrl>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "common/executor.h"
#include "network/network_scan_options.h"
#include "session/document_folder.h"
#include "session/model_services.h"

namespace scandesk {

/// Asks for an output folder: nothing when cancelled, an empty text when the user
/// confirmed without choosing a location.
using FolderChooser = std::function<std::optional<QString>(QWidget* parent)>;

/// A scanner the user names by its address.
struct ScannerAddress {
    QString address;
    /// The catalogue model to take it for; empty to ask the scanner which model it is.
    QString model;
};

/// Asks for a scanner's IPv4 address (and perhaps its model): nothing when cancelled.
using AddressPrompt = std::function<std::optional<ScannerAddress>(QWidget* parent)>;

/// Opens a file or folder in the desktop's application for it; false when none did.
using UrlOpener = std::function<bool(const QUrl& url)>;

/// The store of the choices kept between runs; nothing to keep none.
using SettingsOpener = std::function<std::unique_ptr<QSettings>()>;

/// Everything a settings window needs from outside; tests replace each member.
struct SettingViewServices {
    /// The services of each new window's model (discovery, transports, imaging).
    std::function<ScannerModelServices()> modelServices;
    /// The executor that runs a window's discovery work items.
    std::function<std::unique_ptr<Executor>()> makeBackgroundExecutor;
    FolderChooser chooseFolder;
    AddressPrompt askAddress;
    UrlOpener openUrl;
    SettingsOpener openSettings;
    /// The output directory a new window starts with.
    QString defaultSaveDir;
    /// The TCP port network scanners are scanned at, as the settings file notes it.
    uint16_t scannerPort = kScannerPort;
    /// The folder of the log file ("Help → Open log folder"); empty when there is none.
    QString logFolder;
    /// The folder of a new window's unsaved document; nothing when pages cannot be kept.
    std::function<std::optional<DocumentFolderClaim>()> claimDocumentFolder;
    /// Review pages before saving for this run, whatever the setting says.
    bool reviewForRun = false;
    /// The network scanner a window starts with, instead of a discovery.
    std::optional<ScannerAddress> startScanner;
};

/// The application's wiring: real discovery and scanning (network scanners at
/// `scannerPort`), the folder panel, the address dialog, the desktop's opener, the
/// user's settings file, the user's desktop directory and the log folder.
SettingViewServices defaultViewServices(uint16_t scannerPort, QString logFolder);

}  // namespace scandesk
