// What the scanner's reply bytes and status bytes mean, for both transports and the
// virtual scanner.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "devices/scan_options.h"
#include "protocol/scan_outcome.h"

namespace scandesk {

/// D reply: the feeder holds paper. S reply: the source is accepted.
inline constexpr uint8_t kReplyAccepted = 0x80;
/// D reply: the feeder is empty.
inline constexpr uint8_t kReplyFeederEmpty = 0xC2;
/// D reply: the scanner cannot tell whether the feeder holds paper.
inline constexpr uint8_t kReplyCannotCheck = 0xC4;
/// D and S reply: the scanner has no such source.
inline constexpr uint8_t kReplyNoSuchSource = 0xD0;
/// I reply that accepts the image parameters (USB checks it; TCP takes any reply).
inline constexpr uint8_t kImageReplyAccepted = 0x00;

/// The status byte that ends a job successfully.
inline constexpr uint8_t kScanFinished = 0x80;

/// Whether the job's source needs the paper check (every source but the flatbed).
bool needsPaperCheck(ScanSource source);

/// What the D reply settles: the source to scan from (an automatic source resolved to
/// the feeder or the flatbed), or why the job cannot go on.
struct PaperCheck {
    ScanSource source;
    std::optional<ScanCode> failure;
};

/// Decodes the D reply for a job asking for `source`.
PaperCheck decodePaperReply(ScanSource source, uint8_t reply);

/// Decodes the S reply: nothing when the source is accepted, else the failure.
std::optional<ScanCode> decodeSourceReply(uint8_t reply);

/// Status byte to name; 0x80 "scanFinished" is the only success. Built once on first use.
const std::map<int, std::string>& ScanStatus();

/// The name of a status byte, or nothing when the table has no entry for it.
std::optional<std::string> scanStatusName(int statusByte);

/// How a status byte ends a job: `completed` for 0x80, the byte's own failure code, or
/// `unknownScanStatus` for a byte the table does not name.
ScanCode statusCode(uint8_t statusByte);

}  // namespace scandesk
