// The page stream after the X command: framed packets cut into pages, one page per call.
#pragma once

#include <chrono>
#include <cstdint>
#include <span>
#include <stop_token>
#include <string>

#include "common/bytes.h"
#include "protocol/scan_outcome.h"

#include "protocol/scan_param.h"
#include "protocol/scan_process.h"
#include "usb/usb_interface.h"

namespace scandesk {

/// Room of the one buffer that every bulk read of a page call fills.
inline constexpr uint32_t kPageBufferSize = 40960;
/// How long one page-stream read waits for the scanner.
inline constexpr std::chrono::milliseconds kPageReadTimeout{30000};
/// A page-stream read waits in slices of this length, checking for a stop between them.
inline constexpr std::chrono::milliseconds kStopCheckInterval{200};
/// Failed reads in one page call that end the job (a time-out counts as one).
inline constexpr int kPageReadErrorLimit = 5;

/// What one bulk read delivered, told apart by its length alone.
enum class PacketKind { data, tail, statusByte, endOfData, other };

/// The kind of the `length` bytes at the start of `buffer`: a packet is a block (header
/// and data), the last one of a page followed by the page-end record. The data length is
/// read from the block header in the buffer, which must hold at least 12 bytes.
PacketKind classifyPacket(std::span<const uint8_t> buffer, uint32_t length);

/// The outcome of one page call: a page stored under its number, or the end of the job
/// (`completed` for a normal end, else why it failed; `pageNo` then names the page that
/// could not be stored, if that is why).
struct PageReadResult {
    bool isFinished = false;
    int pageNo = 0;
    ScanCode code = ScanCode::completed;

    friend bool operator==(const PageReadResult&, const PageReadResult&) = default;
};

/// Reads the stream from `pipe` until page `expectedPageNo` is complete and stored through
/// `saveImages`, or the job ends: normally (a status byte 0x80 or an empty packet), with
/// the scanner's failure status, when a page cannot be stored, when a page carries another
/// number or grows far beyond its expected size, when the device is gone,
/// or after too many failed reads, or as `cancelled` soon after `stop` is requested.
/// A failing stall clear is thrown.
PageReadResult readImages(UsbInterface& interface, uint8_t pipe, const ScanParam& param,
                          int expectedPageNo, const PageSink& saveImages,
                          std::chrono::milliseconds readTimeout = kPageReadTimeout,
                          std::stop_token stop = {});

}  // namespace scandesk
