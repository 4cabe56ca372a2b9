// Scripted stand-ins for the model's outside services, recording how they were called.
#pragma once

#include <chrono>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "common/localization.h"
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
    std::vector<std::string> searches;  // "net", "usb", "identify <ip>"
    std::deque<ScriptedScan> scans;     // consumed one per attempt
    std::vector<Device> scannedDevices;
    std::vector<ScanParam> scannedParams;  // the command's record at start
    std::vector<int> combineCalls;         // the page counts asked for
    bool combineSucceeds = true;
    struct PdfCall {
        int pages;
        std::string pageSize;
    };
    std::vector<PdfCall> pdfCalls;
    bool pdfSucceeds = true;
    std::vector<std::chrono::milliseconds> sleeps;
    std::chrono::system_clock::time_point now;
    std::optional<Device> identified;
};

/// Installs a small string table for its lifetime; keys without an entry show themselves.
class ScopedLocalizer {
  public:
    explicit ScopedLocalizer(std::map<std::string, std::string, std::less<>> table);
    ~ScopedLocalizer();
    ScopedLocalizer(const ScopedLocalizer&) = delete;
    ScopedLocalizer& operator=(const ScopedLocalizer&) = delete;

  private:
    Localizer previous_;
};

/// Services wired to the record. Scans write small page files named as the real page
/// saving names them, so the receive directory cases can be checked on disk.
ScannerModelServices fakeServices(std::shared_ptr<FakeRecord> record);

/// 2024-03-05 14:07:09 in the time zone of the tests (UTC).
std::chrono::system_clock::time_point fixedMoment();

/// A scanner record for the tests.
Device fakeScanner(const std::string& name, const std::string& type, bool hasScreen);

}  // namespace scandesk::testing
