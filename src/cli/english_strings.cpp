// The command line's English string table.
#include "cli/english_strings.h"

#include <map>

#include "session/two_pass_prompt.h"

namespace scandesk {

std::string englishText(std::string_view key) {
    static const std::map<std::string, std::string, std::less<>> table{
        // Discovery and the receive directory.
        {"noScannerFound", "No scanner was found."},
        {"noScannerAtAddress", "No known scanner answered at %1."},
        {"cannotCreateReceiveDir", "The folder for the scanned pages could not be created."},
        {"receiveDirMissing", "The pages of the first pass are gone; start the scan again."},
        // Outcomes of the scan flow.
        {"scanPage", "Scanned"},
        {"pages", "page(s)."},
        {"cannotSavePDF", "The PDF could not be saved; the scanned pages were kept."},
        {"combineFailed", "The pages could not be combined."},
        {"pagesKept", "%1 page(s) kept in %2."},
        {"blankSetAside", "%1 blank page(s) set aside in %2."},
        {"secondPassAgain", "Scan the second side again to finish."},
        {"invalidFileName", "The file name prefix must be a name, without '/'."},
        {"prefixTooLong", "The file name prefix is too long: at most %1 bytes fit in this folder."},
        {"noPageScanned", "The scanner ended the job without a page."},
        {"secondSideNotScanned",
         "The second side was not scanned; the first side's page is kept in %1."},
        {"invalidScanSetting", "A setting is not offered by the selected scanner."},
        {std::string(kNextPagePrompt),
         "Make sure the scanner is ready again, place the next page, then confirm."},
        {std::string(kTurnCardPrompt),
         "Make sure the scanner is ready again, turn the ID card over, then confirm."},
        {std::string(kTwoPassDoneKey), "The two-pass scan is finished."},
        // Messages of the scan processes.
        {"scannerNetworkError", "The scanner could not be reached over the network."},
        {"checkScannerError", "The device at that address is not a supported scanner."},
        {"noPaperInADF", "There is no paper in the document feeder."},
        {"cannotChekPaperSource", "The scanner cannot check the paper source."},
        {"paperSourceNotExist", "The chosen paper source does not exist on this scanner."},
        {"checkPaperSourceError", "The paper source could not be checked."},
        {"unexpectError", "The scanner gave an unexpected answer."},
        {"scannerBusy", "The scanner is busy."},
        {"openError", "The scanner could not be opened."},
        {"closeError", "The scanner could not be closed."},
        {"sndSCommandError", "The source command could not be sent."},
        {"sndICommandError", "The image command could not be sent."},
        {"sndXCommandError", "The start command could not be sent."},
        {"usbTransferImageError", "The page transfer over USB failed."},
        {"receiveImagesError", "The pages could not be received."},
        {"has no bytes available for 1 min", "The scanner sent nothing for a minute."},
        {"saveImageError", "A page could not be saved."},
        // Status bytes that end a job.
        {"scanFinished", "The scan is finished."},
        {"scanCancelled", "The scan was cancelled."},
        {"forceInterruptByCommadR", "The scan was interrupted."},
        {"stoppedByDeviceKey", "The scan was stopped at the scanner."},
        {"paperJunck", "The paper is jammed."},
        {"upperDoorOpen", "The scanner's cover is open."},
        {"cannotScannerByICommandC5", "The scanner cannot scan with these image settings."},
        {"scannerMemoryFull", "The scanner's memory is full."},
        {"commandXSyntaxError", "The scanner rejected the scan parameters."},
        {"paperTooLong", "The paper is too long."},
        {"runPaperFailed", "The paper could not be fed."},
        {"resetFailed", "The scanner could not reset."},
        {"pushOutPaperFailed", "The paper could not be ejected."},
        {"unknownScanStatus", "The scanner reported a status this program does not know."},
        // Searchable PDFs.
        {"pagesWithoutText", "%1 page(s) have no text: their recognition failed."},
        {"recognisingText", "Recognising text: page %1 of %2"},
    };
    auto it = table.find(key);
    return it == table.end() ? "" : it->second;
}

}  // namespace scandesk
