// The scanner status table.
#include "devices/scan_status.h"

namespace scandesk {

const std::map<int, std::string>& ScanStatus() {
    static const std::map<int, std::string> table{
        {0x80, "scanFinished"},
        {0x83, "forceInterruptByCommadR"},
        {0x86, "stoppedByDeviceKey"},
        {0xC2, "noPaperInADF"},
        {0xC3, "paperJunck"},
        {0xC4, "upperDoorOpen"},
        {0xC5, "cannotScannerByICommandC5"},
        {0xC6, "scannerMemoryFull"},
        {0xD0, "commandXSyntaxError"},
        {0xE2, "paperTooLong"},
        {0xE4, "runPaperFailed"},
        {0xE7, "resetFailed"},
        {0xE9, "pushOutPaperFailed"},
    };
    return table;
}

std::optional<std::string> scanStatusName(int statusByte) {
    const auto& table = ScanStatus();
    auto it = table.find(statusByte);
    if (it == table.end()) {
        return std::nullopt;
    }
    return it->second;
}

}  // namespace scandesk
