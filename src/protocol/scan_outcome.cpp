// Keys and printing of scan outcomes.
#include "protocol/scan_outcome.h"

#include <array>
#include <utility>

namespace scandesk {
namespace {

// Indexed by the code's value; the keys are the string tables' own.
constexpr std::array<std::string_view, static_cast<size_t>(kLastScanCode) + 1> kKeys{
    "scanFinished",
    "scanCancelled",
    "invalidFileName",
    "prefixTooLong",
    "invalidScanSetting",
    "cannotCreateReceiveDir",
    "receiveDirMissing",
    "scannerNetworkError",
    "checkScannerError",
    "openError",
    "scannerBusy",
    "unexpectError",
    "checkPaperSourceError",
    "cannotChekPaperSource",
    "paperSourceNotExist",
    "noPaperInADF",
    "sndSCommandError",
    "sndICommandError",
    "sndXCommandError",
    "receiveImagesError",
    "usbTransferImageError",
    "has no bytes available for 1 min",
    "forceInterruptByCommadR",
    "stoppedByDeviceKey",
    "paperJunck",
    "upperDoorOpen",
    "cannotScannerByICommandC5",
    "scannerMemoryFull",
    "commandXSyntaxError",
    "paperTooLong",
    "runPaperFailed",
    "resetFailed",
    "pushOutPaperFailed",
    "unknownScanStatus",
    "saveImageError",
    "combineFailed",
    "cannotSavePDF",
    "noPageScanned",
    "secondSideNotScanned",
};

}  // namespace

std::string_view alertKey(ScanCode code) {
    return kKeys.at(static_cast<size_t>(code));
}

std::string describe(const ScanOutcome& outcome) {
    std::string text = "(code: " + std::string(alertKey(outcome.code)) +
                       ", pages: " + std::to_string(outcome.pagesStored);
    if (outcome.needsSecondPass) {
        text += ", second pass due";
    }
    if (!outcome.detail.empty()) {
        text += ", detail: " + outcome.detail;
    }
    return text + ")";
}

}  // namespace scandesk
