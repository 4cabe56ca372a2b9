// The scripted services behind the model tests.
#include "fake_services.h"

#include <algorithm>

#include "devices/options.h"
#include "imaging/page_files.h"

namespace scandesk::testing {
namespace {

// The scripted list of this search (counted among the earlier ones of its kind), or none.
std::vector<Device> nextResult(FakeRecord& record, const char* kind,
                               const std::vector<std::vector<Device>>& results) {
    std::lock_guard lock(record.mutex);
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
          sink_(sink),
          progress_(progress) {}

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
        for (int page = 1; page <= scan.pages; ++page) {
            const int pageNo = command_.param.isSecondScan ? 2 : page;
            if (!sink_(command_.param, pageNo, toBytes("page")).status) {
                return ScanOutcome::failure(ScanCode::saveImageError, page - 1);
            }
            progress_(pageNo);
        }
        std::unique_lock lock(record_->mutex);
        if (!record_->released.wait(lock, stop, [this] { return !record_->scansHeld; })) {
            return ScanOutcome::failure(ScanCode::cancelled, scan.pages);
        }
        return ScanOutcome{scan.code, scan.pages, false, {}};
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
        const auto result = nextResult(*record, "net", record->networkResults);
        std::for_each(result.begin(), result.end(), found);
        return result;
    };
    services.usbSearch = [record] { return nextResult(*record, "usb", record->usbResults); };
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
        return std::make_unique<FakeScanProcess>(record, std::move(command), sink, progress);
    };
    services.saveImages = [](const ScanParam& param, int pageNo, const Bytes& data) {
        const bool saved = !writeFileAtomically(pageFileName(param.filePath, pageNo, ".jpg"), data);
        return ResultPair{saved, saved ? "ok" : "saveImageError"};
    };
    services.combineImage = [record](int pages, int, const ScanParam&) {
        std::lock_guard lock(record->mutex);
        record->combineCalls.push_back(pages);
        return ResultPair{record->combineSucceeds, "combined"};
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

Device fakeScanner(const std::string& name, const std::string& type, bool hasScreen) {
    Device d;
    d.id = Uuid::random();
    d.name = d.label = name;
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
