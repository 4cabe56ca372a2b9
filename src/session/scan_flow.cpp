// The scan operations of the model: one-pass scans and the two passes of a combined scan.
#include <unistd.h>

#include <algorithm>
#include <exception>
#include <filesystem>

#include "common/diagnostics.h"
#include "common/localization.h"
#include "imaging/cleaned_pages.h"
#include "imaging/page_files.h"
#include "ocr/page_analysis.h"
#include "session/choice_rules.h"
#include "session/model_state.h"
#include "session/receive_directory.h"
#include "session/scan_analysis.h"
#include "session/scan_parameter_mapping.h"
#include "session/scanner_model.h"
#include "session/two_pass_prompt.h"

namespace scandesk {
namespace {

namespace fs = std::filesystem;

// What is wrong with the request, if anything.
std::optional<ScanCode> requestProblem(const ScanRequest& request, const Device& scanner) {
    // A prefix too long for the folder's file names is refused before any directory exists.
    if (!isValidFileNamePrefix(request.prefix)) {
        return ScanCode::invalidFileName;
    }
    if (!prefixFitsNameLimit(request.saveDir, request.prefix)) {
        return ScanCode::prefixTooLong;
    }
    if (!requestFitsScanner(request, scanner) || findConflict(request, scanner)) {
        return ScanCode::invalidScanSetting;
    }
    return std::nullopt;
}

// One pass of a scan: its commands, how its pages are stored, and the number the first
// of them is stored as (the second pass of a two-pass scan stores page 2).
struct Pass {
    ScanCommand command;
    PageJob job;
    int firstPage = 1;
};

// One attempt: a new process of the scanner's transport, started once. Pages are stored
// and reported under the number they are stored as. Nothing it throws leaves; the pages
// it stored before are still counted.
ScanOutcome runScan(ScannerModelState& state, const Device& scanner, const Pass& pass,
                    std::stop_token stop, ScanAnalysis& analysis) {
    // The transports number a job's pages from 1.
    const int offset = pass.firstPage - 1;
    auto stored = std::make_shared<int>(0);
    PageProgress progress = [weak = state.weak_from_this(), stored, offset, &analysis](int pageNo) {
        ++*stored;
        analysis.pageStored(pageNo + offset);
        if (auto self = weak.lock()) {
            self->reportPage(pageNo + offset);
        }
    };
    PageSink sink = [save = state.services.savePage, job = pass.job, offset](
                        int pageNo, const Bytes& data) { return save(job, pageNo + offset, data); };
    try {
        auto process = state.services.makeScanProcess(scanner, pass.command, sink, progress);
        if (!process) {
            return ScanOutcome::failure(ScanCode::unexpectError, 0, "no scan process");
        }
        return process->start(std::move(stop));
    } catch (const std::exception& error) {
        // A transport must not take the window down with it.
        diagError("scan process failed: ", error.what());
        return ScanOutcome::failure(ScanCode::unexpectError, *stored, error.what());
    } catch (...) {
        diagError("scan process failed with an unknown exception");
        return ScanOutcome::failure(ScanCode::unexpectError, *stored, "unknown exception");
    }
}

// The analysis of a pass's pages, reporting to the model's progress callback.
ScanAnalysis analysisOf(ScannerModelState& state, const ScanRequest& request, const PageJob& job,
                        bool combine) {
    return ScanAnalysis(request, job, combine,
                        [weak = state.weak_from_this()](int done, int total) {
                            auto self = weak.lock();
                            if (!self) {
                                return;
                            }
                            AnalysisProgress callback;
                            {
                                std::lock_guard lock(self->mutex);
                                callback = self->analysisProgress;
                            }
                            if (callback) {
                                callback(done, total);
                            }
                        });
}

// The job's page files 1 ... `pages` as PDF pages, each with what the per-page steps
// found on it (text layer, turn, skew).
std::vector<PdfPage> documentOf(const PageJob& job, int pages, const PageAnalyses& analyses) {
    std::vector<PdfPage> document = jobPdfPages(job, pages);
    for (PdfPage& page : document) {
        const int n = static_cast<int>(&page - document.data()) + 1;
        if (const auto found = analyses.find(n); found != analyses.end()) {
            page = pdfPageOf(page.file, found->second);
        }
    }
    return document;
}

// What the per-page steps found on page files 1 ... `pages`, in page order.
std::vector<PageFindings> findingsOf(int pages, const PageAnalyses& analyses) {
    std::vector<PageFindings> findings(static_cast<size_t>(pages));
    for (const auto& [n, found] : analyses) {
        if (n >= 1 && n <= pages) {
            findings[static_cast<size_t>(n - 1)] =
                PageFindings{found.blank, found.quarterTurns, found.skewDegrees};
        }
    }
    return findings;
}

// The page files 1 ... `pages` of the job that are on disk, as absolute paths.
std::vector<std::string> pageFiles(const PageJob& job, int pages) {
    std::vector<std::string> files;
    std::error_code error;
    for (int n = 1; n <= pages; ++n) {
        const std::string path = pageFileName(job.filePath, n, pageExtension(job));
        if (fs::is_regular_file(path, error)) {
            files.push_back(fs::absolute(path, error).string());
        }
    }
    return files;
}

// Combines the `pages` page files on disk if asked, waits for the pages' analysis, then
// writes the PDF and removes the receive directory for the PDF file type. On failure (or a
// stop while the analysis runs) every page file stays and no PDF is written. The outcome
// names the files left.
ScanOutcome finishPages(ScannerModelState& state, const ScanRequest& request, const PageJob& job,
                        int pages, bool combine, ScanAnalysis& analysis, std::stop_token stop) {
    if (combine) {
        const std::optional<int> combined = state.services.combineImage(pages, 1, job);
        if (!combined) {
            ScanOutcome failed = ScanOutcome::failure(ScanCode::combineFailed, pages);
            failed.files = pageFiles(job, pages);
            return failed;
        }
        pages = *combined;
    }
    if (request.keepPages) {
        return ScanOutcome{ScanCode::completed, pages, false, {}, 0, pageFiles(job, pages)};
    }
    analysis.pagesFinal(pages);
    const std::optional<PageAnalyses> analyses = analysis.finish(stop);
    if (!analyses) {
        ScanOutcome stopped = ScanOutcome::failure(ScanCode::cancelled, pages);
        stopped.files = pageFiles(job, pages);
        return stopped;
    }
    const bool pdf = request.fileType == FileType::pdf;
    const std::vector<PageFindings> findings = findingsOf(pages, *analyses);
    // Pages judged blank are no part of the document.
    const std::vector<PdfPage> all = documentOf(job, pages, *analyses);
    std::vector<PdfPage> document;
    for (size_t i = 0; i < all.size(); ++i) {
        if (i >= findings.size() || !findings[i].blank) {
            document.push_back(all[i]);
        }
    }
    std::optional<std::string> written;
    if (pdf && !document.empty()) {
        const Outcome<std::string> made =
            state.services.writePdf(document, mediaBoxFor(request.pageSize, job.rotation),
                                    request.saveDir, state.services.now());
        if (!made) {
            diagError("save pdf error = ", made.error);
            ScanOutcome failed = ScanOutcome::failure(ScanCode::cannotSavePDF, pages, made.error);
            failed.files = pageFiles(job, pages);
            return failed;
        }
        written = *made.value;
    }
    std::string dir;
    {
        std::lock_guard lock(state.mutex);
        dir = state.receiveDir;
    }
    // Blank pages leave the receive directory for a folder of their own (after the PDF,
    // which does not hold them, is written); page files found turned are turned losslessly.
    std::vector<std::string> files;
    for (int n = 1; n <= pages && !analyses->empty(); ++n) {
        files.push_back(pageFileName(job.filePath, n, ".jpg"));
    }
    const Outcome<CleanedPages> cleaned = applyFindings(
        files, analyses->empty() ? std::vector<PageFindings>{} : findings, dir + "-blank", !pdf);
    if (!cleaned) {
        // What was not moved or turned is still in the receive directory.
        ScanOutcome failed = ScanOutcome::failure(ScanCode::saveImageError, pages, cleaned.error);
        failed.files = pageFiles(job, pages);
        return failed;
    }
    std::error_code error;
    ScanOutcome done{ScanCode::completed, pages, false, {}, pagesWithoutText(*analyses), {}};
    if (pdf) {
        removeReceiveDir(dir);
        if (written) {
            done.files.push_back(fs::absolute(*written, error));
        }
    } else {
        done.files = pageFiles(job, pages);
    }
    done.blankSetAside = cleaned.value->setAside;
    done.blankFolder = cleaned.value->folder;
    for (const std::string& file : files) {
        const fs::path aside = fs::path(cleaned.value->folder) / fs::path(file).filename();
        if (!cleaned.value->folder.empty() && fs::is_regular_file(aside, error)) {
            done.files.push_back(fs::absolute(aside, error));
        }
    }
    return done;
}

// The alert text of a failed or cancelled scan: what happened, then what is on disk and
// what is next.
std::string failureMessage(const ScanOutcome& outcome, const std::string& folder) {
    std::string text = localized(alertKey(outcome.code));
    if (outcome.pagesStored > 0 || outcome.code == ScanCode::saveImageError ||
        outcome.code == ScanCode::cancelled) {
        text += " " + fillIn(localized("pagesKept"), {std::to_string(outcome.pagesStored), folder});
    }
    if (outcome.needsSecondPass) {
        text += " " + localized("secondPassAgain");
    }
    return text;
}

// A receive directory that a failed or cancelled scan left empty goes; one that holds
// anything stays (rmdir removes only an empty directory).
void dropEmptyReceiveDir(const std::string& dir) {
    if (!dir.empty() && ::rmdir(dir.c_str()) == 0) {
        diagInfo("empty receive directory removed: ", dir);
    }
}

}  // namespace

ScanOutcome ScannerModelState::showOutcome(ScanOutcome outcome, std::string success,
                                           std::string failure) {
    if (outcome.succeeded() && outcome.blankSetAside > 0) {
        success += " " + fillIn(localized("blankSetAside"),
                                {std::to_string(outcome.blankSetAside), outcome.blankFolder});
    }
    if (outcome.succeeded() && outcome.pagesWithoutText > 0) {
        success +=
            " " + fillIn(localized("pagesWithoutText"), {std::to_string(outcome.pagesWithoutText)});
    }
    if (outcome.succeeded()) {
        setAlert(localized("info"), std::move(success), outcome.needsSecondPass);
    } else {
        std::string folder;
        {
            std::lock_guard lock(mutex);
            folder = receiveDir;
        }
        setAlert(localized(outcome.failed() ? "error" : "info"),
                 failure.empty() ? failureMessage(outcome, folder) : std::move(failure),
                 outcome.needsSecondPass);
    }
    return outcome;
}

ScanOutcome ScannerModel::startScan(const ScanRequest& request, std::stop_token stop) {
    ScannerModelState& state = *state_;
    std::lock_guard scanning(state.scanMutex);
    const Device scanner = selectedScanner();
    if (auto problem = requestProblem(request, scanner)) {
        // The limit a prefix broke is part of what the user must know.
        const std::string message = *problem == ScanCode::prefixTooLong
                                        ? fillIn(localized(alertKey(*problem)),
                                                 {std::to_string(maxPrefixBytes(request.saveDir))})
                                        : std::string();
        return state.showOutcome(ScanOutcome::failure(*problem), {}, message);
    }
    if (!createReceiveDir(request.saveDir)) {
        return state.showOutcome(ScanOutcome::failure(ScanCode::cannotCreateReceiveDir), {});
    }
    const ScanParam param = *mapScanParameter(request, scanner);
    const Pass pass{ScanCommand(param), pageJobFor(request, param, receiveDir()), 1};
    ScanAnalysis analysis = analysisOf(state, request, pass.job, combines(request.combine));

    ScanOutcome scanned = runScan(state, scanner, pass, stop, analysis);
    diagInfo("ret = ", describe(scanned));
    if (scanned.succeeded() && scanned.pagesStored == 0) {
        scanned = ScanOutcome::failure(ScanCode::noPageScanned);
    }
    if (!scanned.succeeded()) {
        // Whatever pages arrived stay in the receive directory; an empty one goes.
        scanned.files = pageFiles(pass.job, scanned.pagesStored);
        if (scanned.files.empty()) {
            dropEmptyReceiveDir(receiveDir());
        }
        return state.showOutcome(std::move(scanned), {});
    }
    if (!scanner.hasScreen && combines(request.combine)) {
        // First of two passes: the page waits in the receive directory, and the second
        // side is scanned on this scanner.
        scanned.needsSecondPass = true;
        scanned.files = pageFiles(pass.job, scanned.pagesStored);
        state.write({}, [&] { state.twoPassScanner = scanner; });
        const auto prompt =
            request.combine == CombineType::idCard ? kTurnCardPrompt : kNextPagePrompt;
        return state.showOutcome(std::move(scanned), localized(prompt));
    }
    const int pages = scanned.pagesStored;
    return state.showOutcome(
        finishPages(state, request, pass.job, pages, combines(request.combine), analysis, stop),
        localized("scanPage") + " " + std::to_string(pages) + " " + localized("pages"));
}

ScanOutcome ScannerModel::secondScan(const ScanRequest& request, std::stop_token stop) {
    ScannerModelState& state = *state_;
    std::lock_guard scanning(state.scanMutex);
    diagInfo("start second scan");
    Device scanner;
    state.write({ModelProperty::showAlert}, [&] {
        state.showAlert = false;
        scanner = state.twoPassScanner.value_or(state.selectedScanner);
    });
    if (auto problem = requestProblem(request, scanner)) {
        return state.showOutcome(ScanOutcome::failure(*problem), {});
    }
    // Without the first pass's directory the page would land beside the output directory.
    const std::string dir = receiveDir();
    std::error_code error;
    if (dir.empty() || !std::filesystem::is_directory(dir, error)) {
        return state.showOutcome(ScanOutcome::failure(ScanCode::receiveDirMissing), {});
    }
    const ScanParam param = *mapScanParameter(request, scanner);
    // The first pass's page is page 1 of the receive directory.
    const Pass pass{ScanCommand(param), pageJobFor(request, param, dir), 2};
    // The two sides are analysed once they are combined (or both stored).
    ScanAnalysis analysis = analysisOf(state, request, pass.job, true);

    ScanOutcome scanned = runScan(state, scanner, pass, stop, analysis);
    if (scanned.code == ScanCode::scannerBusy) {
        diagInfo("scanner is busy");
        state.services.sleep(state.services.busyRetryWait);
        scanned = stop.stop_requested() ? ScanOutcome::failure(ScanCode::cancelled)
                                        : runScan(state, scanner, pass, stop, analysis);
    }
    diagInfo("ret = ", describe(scanned));
    if (scanned.succeeded() && scanned.pagesStored == 0) {
        scanned = ScanOutcome::failure(ScanCode::noPageScanned);
    }
    scanned.pagesStored += 1;
    if (!scanned.succeeded()) {
        // The first pass's page stays, and a failed second side can be scanned again.
        scanned.needsSecondPass = scanned.failed();
        scanned.files = pageFiles(pass.job, scanned.pagesStored);
        return state.showOutcome(std::move(scanned), {});
    }
    return state.showOutcome(
        finishPages(state, request, pass.job, scanned.pagesStored,
                    !scanner.hasScreen && combines(request.combine), analysis, stop),
        localized(kTwoPassDoneKey));
}

ScanOutcome ScannerModel::endTwoPassScan(const ScanOutcome& waiting, bool cancelled) {
    ScannerModelState& state = *state_;
    ScanOutcome ended = waiting;
    ended.code = cancelled ? ScanCode::cancelled : ScanCode::secondSideNotScanned;
    ended.needsSecondPass = false;
    state.write({}, [&] { state.twoPassScanner.reset(); });
    const std::string message =
        cancelled ? std::string() : fillIn(localized(alertKey(ended.code)), {receiveDir()});
    return state.showOutcome(std::move(ended), {}, message);
}

}  // namespace scandesk
