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

#include "devices/catalogue.h"
#include "session/model_services.h"

namespace scandesk::testing {

/// What one scan attempt does: pages it stores through the sink, then how it ends.
struct ScriptedScan {
    int pages = 0;
    ScanCode code = ScanCode::completed;
};

/// Everything the fakes saw, shared with the services they make.
struct FakeRecord {
    std::mutex mutex;
    std::vector<std::vector<Device>> networkResults;  // one entry per search, in order
    std::vector<std::vector<Device>> usbResults;
    std::vector<std::string> searches;  // "net" or "usb", in order
    std::optional<Device> identified;
    std::deque<ScriptedScan> scans;  // consumed one per attempt; unscripted ones fail
    std::vector<Device> scannedDevices;
    std::vector<ScanParam> scannedParams;  // the command's record at start
    std::vector<std::string> storedFiles;  // the page files written, in order
    bool scansHeld = false;                // a scan waits after its pages until released or stopped
    std::condition_variable_any released;
    std::vector<int> combineCalls;  // the page counts asked for
    bool combineSucceeds = true;
    std::vector<int> pdfPages;  // of each PDF asked for
    std::vector<std::chrono::milliseconds> sleeps;
    std::chrono::system_clock::time_point now;

    void holdScans(bool held) {
        {
            std::lock_guard lock(mutex);
            scansHeld = held;
        }
        released.notify_all();
    }
};

/// Services wired to the record. Scans write small page files named as the real page
/// saving names them, so the receive directory can be checked on disk.
ScannerModelServices fakeServices(std::shared_ptr<FakeRecord> record);

/// A catalogue model, as discovery would find it on the network.
inline Device networkScanner(const std::string& model, const std::string& ip = "192.0.2.10") {
    return Device::fromNetworkRow(catalogueRowNamed(model).value(), ip);
}

}  // namespace scandesk::testing
