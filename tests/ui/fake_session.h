// Fake discovery, identification and scanning behind a window's model, scripted by
// each test; nothing here touches a network or a USB bus, unless a test asks for the
// real session core against the virtual scanner on loopback.
#pragma once

#include <QTemporaryDir>
#include <QUrl>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

#include "common/executor.h"
#include "protocol/scan_param.h"
#include "session/default_services.h"
#include "session/model_services.h"
#include "ui/view_services.h"

namespace scandesk::testing {

/// A gate a fake blocks at until the test opens it.
class Gate {
  public:
    /// Closes the gate: the next `pass` waits.
    void close() {
        std::lock_guard lock(mutex_);
        open_ = false;
    }
    void open() {
        {
            std::lock_guard lock(mutex_);
            open_ = true;
        }
        changed_.notify_all();
    }
    /// Waits until the gate is open or `stop` is requested; marks that someone arrived.
    /// Whether the gate opened.
    bool pass(std::stop_token stop = {}) {
        std::unique_lock lock(mutex_);
        arrived_ = true;
        return changed_.wait(lock, stop, [this] { return open_; });
    }
    bool arrived() const {
        std::lock_guard lock(mutex_);
        return arrived_;
    }

  private:
    mutable std::mutex mutex_;
    std::condition_variable_any changed_;
    bool open_ = true;
    bool arrived_ = false;
};

/// One scripted scan attempt: the pages it stores and how it ends.
struct ScriptedScan {
    int pages = 1;
    ScanCode code = ScanCode::completed;
};

/// The scripted outside world of one or more windows.
class FakeSession {
  public:
    /// What the next discovery runs find (network scanners).
    void setFound(std::vector<Device> devices) {
        std::lock_guard lock(mutex_);
        found_ = std::move(devices);
    }
    /// A scanner that answers at its address when identified.
    void addIdentifiable(const Device& device) {
        std::lock_guard lock(mutex_);
        identifiable_[device.ip] = device;
    }
    /// Queues the outcome of the next scan attempt (default: one page, success).
    void queueScan(ScriptedScan scan) {
        std::lock_guard lock(mutex_);
        scans_.push_back(std::move(scan));
    }
    /// The parameters of every scan attempt so far, in order.
    std::vector<ScanParam> scannedParams() const {
        std::lock_guard lock(mutex_);
        return scanned_;
    }
    int discoveryRuns() const {
        std::lock_guard lock(mutex_);
        return discoveryRuns_;
    }

    /// Discovery blocks here; open by default.
    Gate discoveryGate;
    /// A scan blocks here after reporting its pages; open by default.
    Gate scanGate;

    /// Scans with the real session core from the virtual scanner at this loopback port;
    /// discovery and identification stay fake.
    std::optional<uint16_t> realScannerPort;

    /// The USB hot-plug of the windows' models; none follows the host's bus.
    UsbWatch usbWatch;

    /// The model's services: every outside call lands in this object.
    ScannerModelServices modelServices() {
        ScannerModelServices services;
        if (realScannerPort) {
            services = defaultModelServices(*realScannerPort);
        }
        services.networkSearch = [this](const ScannerFound&) {
            discoveryGate.pass();
            std::lock_guard lock(mutex_);
            ++discoveryRuns_;
            return found_;
        };
        services.usbSearch = [] { return std::vector<Device>{}; };
        services.watchUsb = usbWatch;
        services.identifyScanner = [this](const std::string& ip) -> std::optional<Device> {
            std::lock_guard lock(mutex_);
            auto it = identifiable_.find(ip);
            if (it == identifiable_.end()) {
                return std::nullopt;
            }
            return it->second;
        };
        if (realScannerPort) {
            return services;
        }
        services.makeScanProcess = [this](const Device&, ScanCommand command, PageSink sink,
                                          PageProgress progress) -> std::unique_ptr<ScanProcess> {
            std::lock_guard lock(mutex_);
            ScriptedScan scan;
            if (!scans_.empty()) {
                scan = scans_.front();
                scans_.pop_front();
            }
            return std::make_unique<Process>(*this, std::move(command), std::move(sink),
                                             std::move(progress), scan);
        };
        services.saveImages = [](const ScanParam&, int, const Bytes&) {
            return ResultPair{true, "saveSuccessfully"};
        };
        services.combineImage = [](int, int, const ScanParam&) { return ResultPair{true, "ok"}; };
        services.save2PDF = [](const ScanParam&, int, const std::string&, const std::string&) {
            return ResultPair{true, "ok"};
        };
        services.sleep = [](std::chrono::milliseconds) {};
        services.busyRetryWait = std::chrono::milliseconds(0);
        // Each receive directory gets its own second, so scans never collide.
        services.now = [this] {
            std::lock_guard lock(mutex_);
            clock_ += std::chrono::seconds(1);
            return clock_;
        };
        return services;
    }

    /// Window services on this session: discovery on manual executors the test runs,
    /// the folder and address dialogs answered by the test.
    SettingViewServices viewServices() {
        SettingViewServices services;
        services.modelServices = [this] { return modelServices(); };
        services.makeBackgroundExecutor = [this] {
            auto executor = std::make_unique<ManualExecutor>();
            executors.push_back(executor.get());
            return executor;
        };
        services.chooseFolder = [this](QWidget*) { return folderAnswer; };
        services.askAddress = [this](QWidget*) { return addressAnswer; };
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

    /// Where the windows keep their choices between starts.
    QString settingsFile() const { return settingsDir.filePath("scandesk.conf"); }

    std::vector<ManualExecutor*> executors;
    std::optional<QString> folderAnswer;
    std::optional<ScannerAddress> addressAnswer;
    std::vector<QUrl> opened;
    QTemporaryDir outputDir;
    QTemporaryDir settingsDir;

  private:
    class Process final : public ScanProcess {
      public:
        Process(FakeSession& session, ScanCommand command, PageSink sink, PageProgress progress,
                ScriptedScan scan)
            : session_(session),
              command_(std::move(command)),
              sink_(std::move(sink)),
              progress_(std::move(progress)),
              scan_(std::move(scan)) {}

        ScanOutcome start(std::stop_token stop) override {
            {
                std::lock_guard lock(session_.mutex_);
                session_.scanned_.push_back(command_.param);
            }
            for (int page = 1; page <= scan_.pages; ++page) {
                sink_(command_.param, page, Bytes{});
                if (progress_) {
                    progress_(page);
                }
            }
            if (!session_.scanGate.pass(stop)) {
                return ScanOutcome::failure(ScanCode::cancelled, scan_.pages);
            }
            return ScanOutcome{scan_.code, scan_.pages, false, {}};
        }

      private:
        FakeSession& session_;
        ScanCommand command_;
        PageSink sink_;
        PageProgress progress_;
        ScriptedScan scan_;
    };

    mutable std::mutex mutex_;
    std::vector<Device> found_;
    std::map<std::string, Device> identifiable_;
    std::deque<ScriptedScan> scans_;
    std::vector<ScanParam> scanned_;
    int discoveryRuns_ = 0;
    std::chrono::system_clock::time_point clock_ = std::chrono::system_clock::now();
};

}  // namespace scandesk::testing
