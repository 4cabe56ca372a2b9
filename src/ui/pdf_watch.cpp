// Finding the PDF file a scan wrote.
#include "ui/pdf_watch.h"

#include <filesystem>
#include <set>

namespace scandesk {
namespace {

namespace fs = std::filesystem;

// The PDF files in a folder.
std::set<fs::path> pdfFilesIn(const std::string& folder) {
    std::set<fs::path> files;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        if (it->path().extension() == ".pdf") {
            files.insert(it->path());
        }
    }
    return files;
}

}  // namespace

ScannerModelServices PdfWatch::watch(ScannerModelServices services) {
    services.save2PDF = [this, write = std::move(services.save2PDF)](
                            const ScanParam& param, int pages, const std::string& pdfDir,
                            PageSize pageSize, const PageAnalyses& analyses) {
        const auto before = pdfFilesIn(pdfDir);
        ResultPair result = write(param, pages, pdfDir, pageSize, analyses);
        if (result.status) {
            for (const auto& file : pdfFilesIn(pdfDir)) {
                if (!before.contains(file)) {
                    std::lock_guard lock(mutex_);
                    written_ = file.string();
                }
            }
        }
        return result;
    };
    return services;
}

std::string PdfWatch::take() {
    std::lock_guard lock(mutex_);
    return std::exchange(written_, {});
}

}  // namespace scandesk
