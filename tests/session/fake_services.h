// Scripted stand-ins for the model's outside services, recording how they were called;
// shared by the session, command-line and window tests.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

#include "session/model_services.h"

namespace scandesk::testing {

/// What one scan attempt does: pages it stores through the sink, then how it ends.
struct ScriptedScan {
    int pages = 0;
    ScanCode code = ScanCode::completed;
};

/// Where a scan waits after storing its pages until the test opens it (open at first);
/// a stop request lets it go as cancelled.
class Gate {
  public:
    void set(bool open) {
        {
            std::lock_guard lock(mutex_);
            open_ = open;
        }
        changed_.notify_all();
    }
    /// Whether the gate opened rather than the stop being requested.
    bool pass(std::stop_token stop) {
        std::unique_lock lock(mutex_);
        arrived_ = true;
        return changed_.wait(lock, stop, [this] { return open_; });
    }
    bool arrived() {
        std::lock_guard lock(mutex_);
        return arrived_;
    }

  private:
    std::mutex mutex_;
    std::condition_variable_any changed_;
    bool open_ = true;
    bool arrived_ = false;
};

/// Everything the fakes saw, shared with the services they make.
struct FakeRecord {
    std::mutex mutex;
    std::vector<std::vector<Device>> networkResults;  // one entry per search, in order
    std::vector<std::vector<Device>> usbResults;
    std::vector<std::string> searches;  // "net", "usb", "identify <ip>"
    std::optional<Device> identified;
    std::deque<ScriptedScan> scans;  // consumed one per attempt; unscripted ones fail
    std::vector<Device> scannedDevices;
    std::vector<ScanParam> scannedParams;  // the command's record at start
    Gate scanGate;
    std::vector<int> combineCalls;  // the page counts asked for
    bool combineSucceeds = true;
    std::vector<int> pdfPages;  // of each PDF asked for
    std::vector<std::chrono::milliseconds> sleeps;
    std::chrono::system_clock::time_point now;
};

/// Services wired to the record. Scans write small page files named as the real page
/// saving names them, so the receive directory can be checked on disk.
ScannerModelServices fakeServices(std::shared_ptr<FakeRecord> record);

/// 2024-03-05 14:07:09 in the time zone of the tests (UTC).
std::chrono::system_clock::time_point fixedMoment();

/// A scanner record with every source, resolution and page size; one without a screen
/// combines.
Device fakeScanner(const std::string& name, const std::string& type, bool hasScreen);

}  // namespace scandesk::testing
