// The scripted services behind the model tests.
#include "fake_services.h"

#include <algorithm>

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

// A scan attempt: a process that runs the test's function.
struct FakeScanProcess final : ScanProcess {
    explicit FakeScanProcess(std::function<ScanOutcome(std::stop_token)> run) : run(run) {}
    ScanOutcome start(std::stop_token stop) override { return run(stop); }
    std::function<ScanOutcome(std::stop_token)> run;
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
    services.identifyScanner = [record](const std::string&) {
        std::lock_guard lock(record->mutex);
        return record->identified;
    };
    // Each attempt stores the scripted pages (a second pass stores page 2), waits while
    // scans are held, then ends as scripted; one nobody scripted fails.
    services.makeScanProcess = [record](const Device& scanner, ScanCommand command, PageSink sink,
                                        PageProgress progress) {
        std::lock_guard lock(record->mutex);
        record->scannedDevices.push_back(scanner);
        record->scannedParams.push_back(command.param);
        ScriptedScan scan{0, ScanCode::unexpectError};
        if (!record->scans.empty()) {
            scan = record->scans.front();
            record->scans.pop_front();
        }
        return std::make_unique<FakeScanProcess>([=, param = command.param](std::stop_token stop) {
            for (int page = 1; page <= scan.pages; ++page) {
                sink(param, param.isSecondScan ? 2 : page, toBytes("page"));
                progress(param.isSecondScan ? 2 : page);
            }
            std::unique_lock held(record->mutex);
            if (!record->released.wait(held, stop, [&] { return !record->scansHeld; })) {
                return ScanOutcome::failure(ScanCode::cancelled, scan.pages);
            }
            return ScanOutcome{scan.code, scan.pages, false, {}};
        });
    };
    services.saveImages = [](const ScanParam& param, int pageNo, const Bytes& data) {
        return ResultPair{!writeFileAtomically(pageFileName(param.filePath, pageNo, ".jpg"), data),
                          "saved"};
    };
    services.combineImage = [record](int pages, int, const ScanParam&) {
        std::lock_guard lock(record->mutex);
        record->combineCalls.push_back(pages);
        return ResultPair{record->combineSucceeds, "combined"};
    };
    services.save2PDF = [record](const ScanParam&, int pages, const std::string&, PageSize,
                                 const PageAnalyses&) {
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

}  // namespace scandesk::testing
