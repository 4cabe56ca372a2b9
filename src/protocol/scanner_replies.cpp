// Decoding of the scanner's reply and status bytes.
#include "protocol/scanner_replies.h"

#include <algorithm>
#include <array>
#include <utility>

namespace scandesk {
namespace {

struct StatusRow {
    uint8_t byte;
    ScanCode code;
};

constexpr std::array<StatusRow, 13> kStatuses{{
    {0x80, ScanCode::completed},
    {0x83, ScanCode::forceInterruptByCommadR},
    {0x86, ScanCode::stoppedByDeviceKey},
    {0xC2, ScanCode::noPaperInADF},
    {0xC3, ScanCode::paperJunck},
    {0xC4, ScanCode::upperDoorOpen},
    {0xC5, ScanCode::cannotScannerByICommandC5},
    {0xC6, ScanCode::scannerMemoryFull},
    {0xD0, ScanCode::commandXSyntaxError},
    {0xE2, ScanCode::paperTooLong},
    {0xE4, ScanCode::runPaperFailed},
    {0xE7, ScanCode::resetFailed},
    {0xE9, ScanCode::pushOutPaperFailed},
}};

const StatusRow* statusRow(int statusByte) {
    const auto* row = std::find_if(kStatuses.begin(), kStatuses.end(),
                                   [&](const StatusRow& r) { return r.byte == statusByte; });
    return row == kStatuses.end() ? nullptr : row;
}

}  // namespace

bool needsPaperCheck(ScanSource source) {
    return source != ScanSource::flatbed;
}

PaperCheck decodePaperReply(ScanSource source, uint8_t reply) {
    const bool automatic = source == ScanSource::automatic;
    switch (reply) {
        case kReplyAccepted:
            return {automatic ? ScanSource::feeder : source, std::nullopt};
        case kReplyFeederEmpty:
            if (automatic) {
                return {ScanSource::flatbed, std::nullopt};
            }
            return {source, ScanCode::noPaperInADF};
        case kReplyCannotCheck:
            return {source, ScanCode::cannotChekPaperSource};
        case kReplyNoSuchSource:
            return {source, ScanCode::paperSourceNotExist};
        default:
            return {source, ScanCode::unexpectError};
    }
}

std::optional<ScanCode> decodeSourceReply(uint8_t reply) {
    switch (reply) {
        case kReplyAccepted:
            return std::nullopt;
        case kReplyNoSuchSource:
            return ScanCode::paperSourceNotExist;
        default:
            return ScanCode::unexpectError;
    }
}

const std::map<int, std::string>& ScanStatus() {
    static const std::map<int, std::string> table = [] {
        std::map<int, std::string> names;
        for (const StatusRow& row : kStatuses) {
            names.emplace(row.byte, std::string(alertKey(row.code)));
        }
        return names;
    }();
    return table;
}

std::optional<std::string> scanStatusName(int statusByte) {
    if (const StatusRow* row = statusRow(statusByte)) {
        return std::string(alertKey(row->code));
    }
    return std::nullopt;
}

ScanCode statusCode(uint8_t statusByte) {
    const StatusRow* row = statusRow(statusByte);
    return row ? row->code : ScanCode::unknownScanStatus;
}

}  // namespace scandesk
