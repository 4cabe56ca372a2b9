// The scripted services behind the model tests.
#include "fake_services.h"

#include <cstdio>
#include <fstream>

#include "devices/options.h"

namespace scandesk::testing {
namespace {

// Takes the next scripted list of a search, or an empty one.
std::vector<Device> nextResult(std::vector<std::vector<Device>>& results, size_t index) {
    return index < results.size() ? results[index] : std::vector<Device>{};
}

class FakeScanProcess final : public ScanProcess {
  public:
    FakeScanProcess(std::shared_ptr<FakeRecord> record, ScanCommand command, PageSink sink,
                    PageProgress progress)
        : record_(std::move(record)),
          command_(std::move(command)),
          sink_(std::move(sink)),
          progress_(std::move(progress)) {}

    ScanOutcome start(std::stop_token) override {
        ScriptedScan scan{0, ScanCode::unexpectError};  // an attempt nobody scripted
        {
            std::lock_guard lock(record_->mutex);
            record_->scannedParams.push_back(command_.param);
            if (!record_->scans.empty()) {
                scan = record_->scans.front();
                record_->scans.pop_front();
            }
        }
        int stored = 0;
        for (int page = 1; page <= scan.pages; ++page) {
            const int pageNo = command_.param.isSecondScan ? 2 : page;
            if (!sink_(command_.param, pageNo, Bytes{1, 2, 3}).status) {
                return ScanOutcome::failure(ScanCode::saveImageError, stored);
            }
            ++stored;
            if (progress_) {
                progress_(pageNo);
            }
        }
        return ScanOutcome{scan.code, stored, false, {}};
    }

  private:
    std::shared_ptr<FakeRecord> record_;
    ScanCommand command_;
    PageSink sink_;
    PageProgress progress_;
};

}  // namespace

ScannerModelServices fakeServices(std::shared_ptr<FakeRecord> record) {
    ScannerModelServices services;
    services.networkSearch = [record](const ScannerFound& found) {
        std::vector<Device> result;
        {
            std::lock_guard lock(record->mutex);
            const size_t run = std::count(record->searches.begin(), record->searches.end(), "net");
            record->searches.push_back("net");
            result = nextResult(record->networkResults, run);
        }
        for (const Device& device : result) {
            found(device);
        }
        return result;
    };
    services.usbSearch = [record] {
        std::lock_guard lock(record->mutex);
        const size_t run = std::count(record->searches.begin(), record->searches.end(), "usb");
        record->searches.push_back("usb");
        return nextResult(record->usbResults, run);
    };
    services.identifyScanner = [record](const std::string& ip) {
        std::lock_guard lock(record->mutex);
        record->searches.push_back("identify " + ip);
        return record->identified;
    };
    services.makeScanProcess = [record](const Device& scanner, ScanCommand command, PageSink sink,
                                        PageProgress progress) {
        {
            std::lock_guard lock(record->mutex);
            record->scannedDevices.push_back(scanner);
        }
        return std::make_unique<FakeScanProcess>(record, std::move(command), std::move(sink),
                                                 std::move(progress));
    };
    services.saveImages = [](const ScanParam& param, int pageNo, const Bytes& data) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, "-%04d.jpg", pageNo);
        std::ofstream out(param.filePath + suffix, std::ios::binary);
        out.write(reinterpret_cast<const char*>(data.data()), static_cast<long>(data.size()));
        return ResultPair{static_cast<bool>(out), out ? "ok" : "saveImageError"};
    };
    services.combineImage = [record](int pages, int, const ScanParam&) {
        std::lock_guard lock(record->mutex);
        record->combineCalls.push_back(pages);
        return record->combineSucceeds ? ResultPair{true, "ok"}
                                       : ResultPair{false, "saveImageError"};
    };
    services.save2PDF = [record](const ScanParam&, int pages, const std::string&,
                                 const std::string& pageSize) {
        std::lock_guard lock(record->mutex);
        record->pdfCalls.push_back({pages, pageSize});
        return record->pdfSucceeds ? ResultPair{true, "saveSuccessfully"}
                                   : ResultPair{false, "saveImageError"};
    };
    services.sleep = [record](std::chrono::milliseconds wait) {
        std::lock_guard lock(record->mutex);
        record->sleeps.push_back(wait);
    };
    services.now = [record] {
        std::lock_guard lock(record->mutex);
        return record->now;
    };
    return services;
}

ScopedLocalizer::ScopedLocalizer(std::map<std::string, std::string, std::less<>> table)
    : previous_(setLocalizer([table = std::move(table)](std::string_view key) {
          auto it = table.find(key);
          return it == table.end() ? std::string() : it->second;
      })) {}

ScopedLocalizer::~ScopedLocalizer() {
    setLocalizer(std::move(previous_));
}

std::chrono::system_clock::time_point fixedMoment() {
    using namespace std::chrono;
    return sys_days{year{2024} / March / 5} + hours{14} + minutes{7} + seconds{9};
}

Device fakeScanner(const std::string& name, const std::string& type, bool hasScreen) {
    Device d;
    d.id = Uuid::random();
    d.name = name;
    d.label = name;
    d.type = type;
    d.ip = type == "Net" ? "192.0.2.10" : "";
    d.scanSource = scanSourceOptionN();
    d.adfResolution = adfResolutionOption();
    d.fbResolution = fbResolutionOption();
    d.paperSize = pageSizeOption();
    d.hasScreen = hasScreen;
    d.supportCombine = !hasScreen;
    return d;
}

}  // namespace scandesk::testing
