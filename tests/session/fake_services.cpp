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
    // Each attempt stores the scripted pages, numbered and reported from 1 as the
    // transports number a job's pages, waits while scans are held, then ends as scripted;
    // one nobody scripted fails.
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
        return std::make_unique<FakeScanProcess>([=](std::stop_token stop) {
            for (int page = 1; page <= scan.pages; ++page) {
                if (sink(page, toBytes("page"))) {
                    return ScanOutcome::failure(ScanCode::saveImageError, page - 1);
                }
                progress(page);
            }
            std::unique_lock held(record->mutex);
            if (!record->released.wait(held, stop, [&] { return !record->scansHeld; })) {
                return ScanOutcome::failure(ScanCode::cancelled, scan.pages);
            }
            return ScanOutcome{scan.code, scan.pages, false, {}, 0, {}};
        });
    };
    services.savePage = [record](const PageJob& job, int pageNo, const Bytes& data) -> SaveError {
        const std::string file = pageFileName(job.filePath, pageNo, pageExtension(job));
        std::lock_guard lock(record->mutex);
        record->storedFiles.push_back(file);
        return writeFileAtomically(file, data);
    };
    services.combineImage = [record](int pages, int, const PageJob&) -> std::optional<int> {
        std::lock_guard lock(record->mutex);
        record->combineCalls.push_back(pages);
        return record->combineSucceeds ? std::optional((pages + 1) / 2) : std::nullopt;
    };
    services.writePdf = [record](std::span<const PdfPage> pages, const MediaBox&,
                                 const std::string& pdfDir,
                                 std::chrono::system_clock::time_point when) {
        std::lock_guard lock(record->mutex);
        record->pdfPages.push_back(static_cast<int>(pages.size()));
        return Outcome<std::string>{pdfDir + "/" + timeStampName(when) + ".pdf", {}};
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
