// The page stream after the X command: framed packets cut into pages, one page per call.
#include "usb/page_stream.h"

#include <vector>

#include "common/diagnostics.h"
#include "protocol/page_framing.h"
#include "protocol/scanner_replies.h"
#include "usb/byte_list.h"
#include "usb/usb_error.h"

namespace scandesk {
namespace {

// Logs what a failed read means and, for codes without their own line, clears the stall.
void reportFailedRead(UsbInterface& interface, uint8_t pipe, IOReturn code) {
    if (code == kIOReturnNoDevice) {
        diagWarning("no devices");
    } else if (code == kIOReturnAborted) {
        diagWarning("thread is interrupted before call complete");
    } else if (code == kIOReturnNotOpen) {
        diagWarning("the interface is not open for exclusive access");
    } else if (code == kIOReturnBadArgument) {
        diagWarning("timeout values are specified for an interrupt pipe");
    } else {
        interface.clearPipeStall(true, pipe);
        diagWarning("read pipe other error ");
    }
    diagWarning("read pipe ret = ",
                optionalLogForm(std::optional<std::string>(errorDescription(code))));
}

// The job's end from a lone status byte.
PageReadResult statusByteResult(uint8_t status) {
    const ScanCode code = statusCode(status);
    if (code == ScanCode::completed) {
        diagDebug("buffer[0]=", static_cast<int>(status));
    } else if (code == ScanCode::unknownScanStatus) {
        diagWarning("unknown scanner status = ", static_cast<int>(status));
    }
    return {true, 0, code};
}

// One page-stream read of up to `length` bytes that waits at most `timeout` for the
// scanner, in slices short enough to notice a stop. The pieces a slice's time-out cut
// off are joined, so a slow packet still arrives whole; `length` comes back as the
// bytes delivered.
IOReturn readWithin(UsbInterface& interface, uint8_t pipe, uint8_t* buffer, uint32_t& length,
                    std::chrono::milliseconds timeout, const std::stop_token& stop) {
    uint32_t delivered = 0;
    std::chrono::milliseconds left = timeout;
    while (true) {
        const auto slice = std::min(left, kStopCheckInterval);
        uint32_t piece = length - delivered;
        const IOReturn code = interface.readPipe(pipe, buffer + delivered, piece,
                                                 static_cast<uint32_t>(slice.count()));
        delivered += piece;
        left -= slice;
        if (code != kIOUSBTransactionTimeout || left.count() <= 0 || delivered == length ||
            stop.stop_requested()) {
            length = delivered;
            return code;
        }
    }
}

}  // namespace

PacketKind classifyPacket(std::span<const uint8_t> buffer, uint32_t length) {
    const uint32_t payload = blockLength(buffer);
    if (length == payload + kBlockHeaderSize) {
        return PacketKind::data;
    }
    if (length == payload + kBlockHeaderSize + kPageEndRecordSize &&
        buffer[kBlockHeaderSize + payload] == kPageEndMark) {
        return PacketKind::tail;
    }
    if (length == 1) {
        return PacketKind::statusByte;
    }
    if (length == 0) {
        return PacketKind::endOfData;
    }
    return PacketKind::other;
}

PageReadResult readImages(UsbInterface& interface, uint8_t pipe, const ScanParam& param,
                          int expectedPageNo, const PageSink& saveImages,
                          std::chrono::milliseconds readTimeout, std::stop_token stop) {
    std::vector<uint8_t> buffer(kPageBufferSize, 0);
    const std::span<const uint8_t> view(buffer);
    Bytes page;
    page.reserve(pageReserve(expectedPageSize(param)));
    const int64_t sizeLimit = pageSizeLimit(expectedPageSize(param));
    int errors = 0;
    while (true) {
        if (stop.stop_requested()) {
            return {true, 0, ScanCode::cancelled};
        }
        // Every read offers the whole buffer: a packet may be longer than the one before.
        uint32_t length = kPageBufferSize;
        const IOReturn code = readWithin(interface, pipe, buffer.data(), length, readTimeout, stop);
        if (stop.stop_requested() && length == 0) {
            return {true, 0, ScanCode::cancelled};
        }
        if (code != success) {
            reportFailedRead(interface, pipe, code);
            if (code == kIOReturnNoDevice) {
                // Unplugged: no read will ever succeed again.
                return {true, 0, ScanCode::usbTransferImageError};
            }
            if (++errors >= kPageReadErrorLimit) {
                return {true, 0, ScanCode::usbTransferImageError};
            }
            if (length == 0) {
                // A time-out without data is silence, not the scanner's end of data.
                continue;
            }
        } else {
            diagVerbose("read pipe sucess");
        }
        const uint32_t payload = blockLength(view);
        diagVerbose(byteListText(view.first(kBlockHeaderSize)));
        diagVerbose("readBytes function. readlen=", length, "  and packet len = ", payload);
        switch (classifyPacket(view, length)) {
            case PacketKind::data:
                page.insert(page.end(), view.begin() + kBlockHeaderSize,
                            view.begin() + kBlockHeaderSize + payload);
                if (static_cast<int64_t>(page.size()) > sizeLimit) {
                    diagError("page of ", page.size(), " bytes, far beyond the expected size");
                    return {true, 0, ScanCode::usbTransferImageError};
                }
                break;
            case PacketKind::tail: {
                const auto tail = view.subspan(kBlockHeaderSize + payload, kPageEndRecordSize);
                diagVerbose("finished receive one page tail = ", byteListText(tail));
                page.insert(page.end(), view.begin() + kBlockHeaderSize,
                            view.begin() + kBlockHeaderSize + payload);
                const int pageNo = framePageNumber(view);
                // A page out of turn would overwrite a stored page or leave a gap.
                if (pageNo != expectedPageNo) {
                    diagError("page ", pageNo, " arrived where page ", expectedPageNo, " was due");
                    return {true, pageNo, ScanCode::usbTransferImageError};
                }
                if (saveImages && saveImages(pageNo, page)) {
                    return {true, pageNo, ScanCode::saveImageError};
                }
                return {false, pageNo, ScanCode::completed};
            }
            case PacketKind::statusByte:
                return statusByteResult(buffer[0]);
            case PacketKind::endOfData:
                return {true, 0, ScanCode::completed};
            case PacketKind::other:
                break;
        }
    }
}

}  // namespace scandesk
