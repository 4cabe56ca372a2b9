// A window's outside world: the shared scripted model services (or the real session core
// against the virtual scanner), discovery on manual executors the test runs, a settings
// file and an output folder of its own. No window here touches the host's network or bus.
#pragma once

#include <QSettings>
#include <QTemporaryDir>
#include <QUrl>
#include <memory>
#include <optional>
#include <vector>

#include "common/executor.h"
#include "fake_services.h"
#include "session/default_services.h"
#include "ui/view_services.h"

namespace scandesk::testing {

struct FakeSession {
    /// Every scan scripted by the record, unless it goes to the virtual scanner at this port.
    std::shared_ptr<FakeRecord> record = std::make_shared<FakeRecord>();
    std::optional<uint16_t> realScannerPort;
    std::vector<Device> found;  // what every discovery run finds
    std::vector<ManualExecutor*> executors;
    std::vector<QUrl> opened;
    QTemporaryDir outputDir;
    QTemporaryDir settingsDir;

    SettingViewServices viewServices() {
        SettingViewServices services;
        services.modelServices = [this] {
            ScannerModelServices model =
                realScannerPort ? defaultModelServices(*realScannerPort) : fakeServices(record);
            model.networkSearch = [this](const ScannerFound&) {
                std::lock_guard lock(record->mutex);
                record->searches.push_back("net");
                return found;
            };
            model.usbSearch = [] { return std::vector<Device>{}; };
            model.watchUsb = nullptr;
            return model;
        };
        services.makeBackgroundExecutor = [this] {
            auto executor = std::make_unique<ManualExecutor>();
            executors.push_back(executor.get());
            return executor;
        };
        services.openUrl = [this](const QUrl& url) {
            opened.push_back(url);
            return true;
        };
        services.openSettings = [this] {
            return std::make_unique<QSettings>(settingsFile(), QSettings::IniFormat);
        };
        services.defaultSaveDir = outputDir.path();
        return services;
    }

    /// Runs every discovery work item queued by every window so far.
    void runDiscovery() {
        for (auto* executor : executors) {
            executor->runAll();
        }
    }

    QString settingsFile() const { return settingsDir.filePath("scandesk.conf"); }

    /// The parameters of every scan attempt so far, in order.
    std::vector<ScanParam> scanned() const {
        std::lock_guard lock(record->mutex);
        return record->scannedParams;
    }
};

}  // namespace scandesk::testing
