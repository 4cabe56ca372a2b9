// How a scan ended: the typed outcome that transports, the scan flow and the front ends share.
#pragma once

#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace scandesk {

/// Why a scan ended. Each failure is named after the localisation key of its alert.
enum class ScanCode {
    completed,
    cancelled,  ///< stopped on request; the scanner was released as after a normal end
    // Refused before anything was sent.
    invalidFileName,
    prefixTooLong,
    invalidScanSetting,
    cannotCreateReceiveDir,
    receiveDirMissing,
    // The scanner or the link to it.
    scannerNetworkError,
    checkScannerError,
    openError,
    scannerBusy,
    unexpectError,
    checkPaperSourceError,
    cannotChekPaperSource,
    paperSourceNotExist,
    noPaperInADF,
    sndSCommandError,
    sndICommandError,
    sndXCommandError,
    receiveImagesError,
    usbTransferImageError,
    noBytesForOneMinute,
    // Status bytes with which a scanner ends a job.
    forceInterruptByCommadR,
    stoppedByDeviceKey,
    paperJunck,
    upperDoorOpen,
    cannotScannerByICommandC5,
    scannerMemoryFull,
    commandXSyntaxError,
    paperTooLong,
    runPaperFailed,
    resetFailed,
    pushOutPaperFailed,
    unknownScanStatus,
    // After the pages arrived.
    saveImageError,
    combineFailed,
    cannotSavePDF,
    noPageScanned,         ///< the scanner ended the job without a page
    secondSideNotScanned,  ///< a two-pass scan left after its first side
};

/// The last code, for walking every code.
inline constexpr ScanCode kLastScanCode = ScanCode::secondSideNotScanned;

/// The localisation key of the code's alert message ("scanFinished" for `completed`).
std::string_view alertKey(ScanCode code);

/// The end of one scan job or of a whole scan.
struct ScanOutcome {
    ScanCode code = ScanCode::completed;
    /// Page files of this scan on disk when it ended (a second pass counts the first's page).
    int pagesStored = 0;
    /// The first pass of a two-pass scan is on disk and the second side is still to come.
    bool needsSecondPass = false;
    /// What went wrong, in words, for the diagnostics; never shown as the alert.
    std::string detail;
    /// Pages that went into the PDF without the text asked for (their recognition failed).
    int pagesWithoutText = 0;
    /// The files the scan left for the user, absolute paths in page order: its PDF, or
    /// its page files (those kept after a failure). Filled in by the scan flow.
    std::vector<std::string> files;
    /// Pages judged blank and moved, unchanged, into `blankFolder` (their files come last
    /// in `files`).
    int blankSetAside = 0;
    std::string blankFolder{};

    bool succeeded() const { return code == ScanCode::completed; }
    /// Neither completed nor cancelled.
    bool failed() const { return code != ScanCode::completed && code != ScanCode::cancelled; }

    /// A failure after `pages` stored pages.
    static ScanOutcome failure(ScanCode code, int pages = 0, std::string detail = {}) {
        return ScanOutcome{code, pages, false, std::move(detail), 0, {}};
    }

    /// Outcomes are equal when they mean the same to the user; the detail and the files
    /// are not compared.
    friend bool operator==(const ScanOutcome& a, const ScanOutcome& b) {
        return a.code == b.code && a.pagesStored == b.pagesStored &&
               a.needsSecondPass == b.needsSecondPass && a.pagesWithoutText == b.pagesWithoutText;
    }
};

/// The outcome as the diagnostics print it: (code: saveImageError, pages: 2, ...).
std::string describe(const ScanOutcome& outcome);

inline std::ostream& operator<<(std::ostream& out, const ScanOutcome& outcome) {
    return out << describe(outcome);
}

}  // namespace scandesk
