// The scan operations of the model: one-pass scans and the two passes of a combined scan.
#include <charconv>
#include <exception>
#include <filesystem>

#include "common/diagnostics.h"
#include "common/localization.h"
#include "session/model_state.h"
#include "session/receive_directory.h"
#include "session/scan_parameter_mapping.h"
#include "session/scanner_model.h"
#include "session/two_pass_prompt.h"

namespace scandesk {
namespace {

// The page count of a successful job, when its message is one.
std::optional<int> pageCount(const std::string& message) {
    int pages = 0;
    const char* end = message.data() + message.size();
    auto [rest, error] = std::from_chars(message.data(), end, pages);
    if (message.empty() || error != std::errc() || rest != end || pages < 0) {
        return std::nullopt;
    }
    return pages;
}

// Whether the job combines pages (any type but "NoCombine").
bool combines(const ScanParam& param) {
    return param.combineType != "NoCombine";
}

// The localisation key of what is wrong with the choices, if anything.
std::optional<std::string_view> choicesProblem(const UIParams& ui, const Device& scanner) {
    if (!isValidFileNamePrefix(ui.fileNamePrefix)) {
        return "invalidFileName";
    }
    if (!choicesFitScanner(ui, scanner)) {
        return "invalidScanSetting";
    }
    return std::nullopt;
}

// One attempt: a new process of the scanner's transport, started once.
ResultPair runScan(ScannerModelState& state, const Device& scanner, SharedScanCommand command) {
    PageProgress progress = [weak = state.weak_from_this()](int pageNo) {
        if (auto self = weak.lock()) {
            self->reportPage(pageNo);
        }
    };
    try {
        auto process = state.services.makeScanProcess(scanner, std::move(command),
                                                      state.services.saveImages, progress);
        if (!process) {
            return {false, "unexpectError"};
        }
        return process->start();
    } catch (const std::exception& error) {
        // A transport must not take the window down with it.
        diag("scan process failed: ", error.what());
        return {false, "unexpectError"};
    }
}

// Combines the pages if asked, then writes the PDF and removes the receive directory
// for the PDF file type. False when the PDF could not be written: the pages stay.
bool finishPages(ScannerModelState& state, const ScanParam& param, const UIParams& ui,
                 const Device& scanner, int pages, bool combine, int pagesToCombine) {
    if (combine && state.services.combineImage(pagesToCombine, 1, param).status) {
        pages = (pages + 1) / 2;
    }
    if (param.fileType != "PDF") {
        return true;
    }
    const std::string& pageSize = scanner.paperSize[static_cast<size_t>(ui.pageSizeIndex)];
    if (!state.services.save2PDF(param, pages, ui.saveDir, pageSize).status) {
        return false;
    }
    std::string dir;
    {
        std::lock_guard lock(state.mutex);
        dir = state.receiveDir;
    }
    removeReceiveDir(dir);
    return true;
}

}  // namespace

bool asksForSecondPass(const std::string& alertMessage) {
    return alertMessage.find(localized(kConfirmButtonKey)) != std::string::npos;
}

void ScannerModel::startScan(const UIParams& uiParam) {
    ScannerModelState& state = *state_;
    std::lock_guard scanning(state.scanMutex);
    const Device scanner = selectedScanner();
    if (auto problem = choicesProblem(uiParam, scanner)) {
        state.setAlert(localized("error"), localized(*problem));
        return;
    }
    const ResultPair created = createReceiveDir(uiParam.saveDir);
    if (!created.status) {
        state.setAlert(localized("error"), localized(created.message));
        return;
    }
    const ScanParam param = *mapScanParameter(uiParam, scanner, receiveDir());
    auto command = std::make_shared<ScanCommand>(param);

    const ResultPair result = runScan(state, scanner, command);
    diag("ret = ", describe(result));
    if (!result.status) {
        // Whatever pages arrived stay in the receive directory.
        state.setAlert(localized("error"), localized(result.message));
        return;
    }
    if (!scanner.hasScreen && combines(param)) {
        // First of two passes: the page waits in the receive directory.
        const auto prompt =
            param.combineType == "CombinHorizontal" || param.combineType == "CombinVertical"
                ? kNextPagePrompt
                : kTurnCardPrompt;
        state.setAlert(localized("info"), localized(prompt));
        return;
    }
    bool saved = true;
    // A job that ended before any page ("ok") has nothing to combine or assemble.
    if (auto pages = pageCount(result.message)) {
        saved = finishPages(state, param, uiParam, scanner, *pages, combines(param), *pages);
    }
    if (!saved) {
        state.setAlert(localized("error"), localized("cannotSavePDF"));
        return;
    }
    state.setAlert(localized("info"),
                   localized("scanPage") + " " + result.message + " " + localized("pages"));
}

void ScannerModel::secondScan(const UIParams& uiParam) {
    ScannerModelState& state = *state_;
    std::lock_guard scanning(state.scanMutex);
    diag("start second scan");
    state.write({ModelProperty::showAlert}, [&] { state.showAlert = false; });
    Device scanner = selectedScanner();
    if (auto problem = choicesProblem(uiParam, scanner)) {
        state.setAlert(localized("error"), localized(*problem));
        return;
    }
    // Without the first pass's directory the page would land beside the output directory.
    const std::string dir = receiveDir();
    std::error_code error;
    if (dir.empty() || !std::filesystem::is_directory(dir, error)) {
        state.setAlert(localized("error"), localized("receiveDirMissing"));
        return;
    }
    const ScanParam param = *mapScanParameter(uiParam, scanner, dir);
    auto command = std::make_shared<ScanCommand>(param);
    command->param.isSecondScan = true;

    ResultPair result = runScan(state, scanner, command);
    if (result.message == "scannerBusy") {
        diag("scanner is busy======");
        state.services.sleep(state.services.busyRetryWait);
        scanner = selectedScanner();
        result = runScan(state, scanner, command);
    }
    diag("ret = ", describe(result));
    if (!result.status) {
        state.setAlert(localized("error"), localized(result.message));
        removeReceiveDir(dir);
        return;
    }
    bool saved = true;
    if (auto pages = pageCount(result.message)) {
        // The first pass's page is page 1 of the receive directory.
        saved = finishPages(state, param, uiParam, scanner, *pages,
                            !scanner.hasScreen && combines(param), *pages + 1);
    }
    if (!saved) {
        state.setAlert(localized("error"), localized("cannotSavePDF"));
        return;
    }
    state.setAlert(localized("info"), localized(kTwoPassDoneKey));
}

}  // namespace scandesk
