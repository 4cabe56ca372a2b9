// The scripted services behind the model tests.
#include "fake_services.h"

#include <algorithm>
#include <cstdio>
#include <fstream>

#include "devices/options.h"

namespace scandesk::testing {
namespace {

// The scripted list of this search (counted among the earlier ones of its kind), or none.
std::vector<Device> nextResult(FakeRecord& record, const char* kind,
                               const std::vector<std::vector<Device>>& results) {
    const auto run =
        static_cast<size_t>(std::count(record.searches.begin(), record.searches.end(), kind));
    record.searches.emplace_back(kind);
    return run < results.size() ? results[run] : std::vector<Device>{};
}

class FakeScanProcess final : public ScanProcess {
  public:
    FakeScanProcess(std::shared_ptr<FakeRecord> record, ScanCommand command, PageSink sink,
                    PageProgress progress)
        : record_(std::move(record)),
          command_(std::move(command)),
          sink_(std::move(sink)),
          progress_(std::move(progress)) {}

    ScanOutcome start(std::stop_token stop) override {
        ScriptedScan scan{0, ScanCode::unexpectError};
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
        if (!record_->scanGate.pass(stop)) {
            return ScanOutcome::failure(ScanCode::cancelled, stored);
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
            result = nextResult(*record, "net", record->networkResults);
        }
        std::for_each(result.begin(), result.end(), found);
        return result;
    };
    services.usbSearch = [record] {
        std::lock_guard lock(record->mutex);
        return nextResult(*record, "usb", record->usbResults);
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
        return ResultPair{record->combineSucceeds, record->combineSucceeds ? "ok" : "failed"};
    };
    services.save2PDF = [record](const ScanParam&, int pages, const std::string&,
                                 const std::string&) {
        std::lock_guard lock(record->mutex);
        record->pdfPages.push_back(pages);
        return ResultPair{true, "saveSuccessfully"};
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
