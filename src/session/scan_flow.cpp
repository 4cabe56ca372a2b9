// The scan operations of the model: one-pass scans and the two passes of a combined scan.
#include <exception>
#include <filesystem>

#include "common/diagnostics.h"
#include "common/localization.h"
#include "session/choice_rules.h"
#include "session/model_state.h"
#include "session/receive_directory.h"
#include "session/scan_parameter_mapping.h"
#include "session/scanner_model.h"
#include "session/two_pass_prompt.h"

namespace scandesk {
namespace {

// What is wrong with the request, if anything.
std::optional<ScanCode> requestProblem(const ScanRequest& request, const Device& scanner) {
    // A prefix too long for the folder's file names is refused before any directory exists.
    if (!isValidFileNamePrefix(request.prefix) ||
        !prefixFitsNameLimit(request.saveDir, request.prefix)) {
        return ScanCode::invalidFileName;
    }
    if (!requestFitsScanner(request, scanner) || findConflict(request, scanner)) {
        return ScanCode::invalidScanSetting;
    }
    return std::nullopt;
}

// One attempt: a new process of the scanner's transport, started once. Nothing it
// throws leaves; the pages it stored before are still counted.
ScanOutcome runScan(ScannerModelState& state, const Device& scanner, const ScanCommand& command,
                    std::stop_token stop, ScanAnalysis& analysis) {
    auto stored = std::make_shared<int>(0);
    PageProgress progress = [weak = state.weak_from_this(), stored, &analysis](int pageNo) {
        ++*stored;
        analysis.pageStored(pageNo);
        if (auto self = weak.lock()) {
            self->reportPage(pageNo);
        }
    };
    try {
        auto process =
            state.services.makeScanProcess(scanner, command, state.services.saveImages, progress);
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
ScanAnalysis analysisOf(ScannerModelState& state, const ScanRequest& request,
                        const ScanParam& param, bool combine) {
    return ScanAnalysis(request, param, combine,
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

// Combines the `pages` page files on disk if asked, waits for the pages' analysis, then
// writes the PDF and removes the receive directory for the PDF file type. On failure
// (or a stop while the analysis runs) every page file stays and no PDF is written.
ScanOutcome finishPages(ScannerModelState& state, const ScanParam& param,
                        const ScanRequest& request, int pages, bool combine, ScanAnalysis& analysis,
                        std::stop_token stop) {
    if (pages == 0) {
        return ScanOutcome{};  // nothing to combine or assemble
    }
    if (combine) {
        if (!state.services.combineImage(pages, 1, param).status) {
            return ScanOutcome::failure(ScanCode::combineFailed, pages);
        }
        pages = (pages + 1) / 2;
    }
    if (param.fileType != "PDF" || request.keepPages) {
        return ScanOutcome{ScanCode::completed, pages, false, {}};
    }
    analysis.pagesFinal(pages);
    const std::optional<PageAnalyses> analyses = analysis.finish(stop);
    if (!analyses) {
        return ScanOutcome::failure(ScanCode::cancelled, pages);
    }
    if (!state.services.save2PDF(param, pages, request.saveDir, request.pageSize, *analyses)
             .status) {
        return ScanOutcome::failure(ScanCode::cannotSavePDF, pages);
    }
    std::string dir;
    {
        std::lock_guard lock(state.mutex);
        dir = state.receiveDir;
    }
    removeReceiveDir(dir);
    return ScanOutcome{ScanCode::completed, pages, false, {}, pagesWithoutText(*analyses)};
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

}  // namespace

ScanOutcome ScannerModelState::showOutcome(ScanOutcome outcome, std::string success) {
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
        setAlert(localized(outcome.failed() ? "error" : "info"), failureMessage(outcome, folder),
                 outcome.needsSecondPass);
    }
    return outcome;
}

ScanOutcome ScannerModel::startScan(const ScanRequest& request, std::stop_token stop) {
    ScannerModelState& state = *state_;
    std::lock_guard scanning(state.scanMutex);
    const Device scanner = selectedScanner();
    if (auto problem = requestProblem(request, scanner)) {
        return state.showOutcome(ScanOutcome::failure(*problem), {});
    }
    if (!createReceiveDir(request.saveDir)) {
        return state.showOutcome(ScanOutcome::failure(ScanCode::cannotCreateReceiveDir), {});
    }
    const ScanParam param = *mapScanParameter(request, scanner, receiveDir());
    const bool twoPass = !scanner.hasScreen && combines(request.combine);
    ScanAnalysis analysis = analysisOf(state, request, param, combines(request.combine));

    ScanOutcome scanned = runScan(state, scanner, ScanCommand(param), stop, analysis);
    diagInfo("ret = ", describe(scanned));
    if (!scanned.succeeded()) {
        // Whatever pages arrived stay in the receive directory.
        return state.showOutcome(std::move(scanned), {});
    }
    if (twoPass) {
        // First of two passes: the page waits in the receive directory, and the second
        // side is scanned on this scanner.
        scanned.needsSecondPass = true;
        state.write({}, [&] { state.twoPassScanner = scanner; });
        const auto prompt =
            request.combine == CombineType::idCard ? kTurnCardPrompt : kNextPagePrompt;
        return state.showOutcome(std::move(scanned), localized(prompt));
    }
    const int pages = scanned.pagesStored;
    return state.showOutcome(
        finishPages(state, param, request, pages, combines(request.combine), analysis, stop),
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
    const ScanParam param = *mapScanParameter(request, scanner, dir);
    ScanCommand command(param);
    command.param.isSecondScan = true;
    // The two sides are analysed once they are combined (or both stored).
    ScanAnalysis analysis = analysisOf(state, request, param, true);

    ScanOutcome scanned = runScan(state, scanner, command, stop, analysis);
    if (scanned.code == ScanCode::scannerBusy) {
        diagInfo("scanner is busy");
        state.services.sleep(state.services.busyRetryWait);
        scanned = stop.stop_requested() ? ScanOutcome::failure(ScanCode::cancelled)
                                        : runScan(state, scanner, command, stop, analysis);
    }
    diagInfo("ret = ", describe(scanned));
    // The first pass's page is page 1 of the receive directory.
    scanned.pagesStored += 1;
    if (!scanned.succeeded()) {
        // The first pass's page stays, and a failed second side can be scanned again.
        scanned.needsSecondPass = scanned.failed();
        return state.showOutcome(std::move(scanned), {});
    }
    return state.showOutcome(
        finishPages(state, param, request, scanned.pagesStored,
                    !scanner.hasScreen && combines(request.combine), analysis, stop),
        localized(kTwoPassDoneKey));
}

}  // namespace scandesk
