// An interface link whose reads are scripted in the test, for logic that needs no device.
#pragma once

#include <algorithm>
#include <deque>
#include <functional>
#include <optional>
#include <stdexcept>
#include <vector>

#include "usb/usb_link.h"

namespace scandesk::testing {

/// Answers every call from the script below and records what it was asked.
class FakeInterfaceLink final : public UsbInterfaceLink {
  public:
    /// One scripted read: its return code and the bytes it delivers (also when it fails).
    struct Read {
        IOReturn code = success;
        std::vector<uint8_t> bytes;
    };

    std::deque<Read> reads;  ///< when empty, a read times out with no data
    std::vector<std::optional<UsbPipeProperties>> pipes{UsbPipeProperties{1, 1, 2, 512, 0},
                                                        UsbPipeProperties{0, 2, 2, 512, 0}};
    uint8_t number = 1;
    IOReturn openCode = success;
    bool openThrows = false;
    IOReturn clearCode = success;
    IOReturn controlCode = success;
    std::vector<uint8_t> controlReply{5, 0, 0, 0, 0};  ///< the scanner's "ready"
    /// Answers each write by its bytes; without it every write succeeds.
    std::function<IOReturn(const std::vector<uint8_t>&)> onWrite;
    /// Called when a read finds the script empty, before it times out.
    std::function<void()> onSilence;

    std::vector<uint32_t> readRooms;
    std::vector<std::vector<uint8_t>> writes;
    std::vector<uint8_t> controlRequests;  ///< bRequest of each, in order
    int opens = 0;
    int closes = 0;

    uint8_t interfaceNumber() override { return number; }
    IOReturn open() override {
        ++opens;
        if (openThrows) {
            throw std::runtime_error("claim failed");
        }
        return openCode;
    }
    IOReturn close() override {
        ++closes;
        return success;
    }
    IOReturn endpointCount(uint8_t& count) override {
        count = static_cast<uint8_t>(pipes.size());
        return success;
    }
    std::optional<UsbPipeProperties> pipeProperties(uint8_t pipe) override {
        return pipe >= 1 && pipe <= pipes.size() ? pipes[pipe - 1] : std::nullopt;
    }
    IOReturn pipeStatus(uint8_t) override { return success; }
    IOReturn clearPipeStall(uint8_t, bool) override { return clearCode; }
    IOReturn resetPipe(uint8_t) override { return success; }
    // Fills the whole announced length, as a device may, so a short buffer shows.
    IOReturn controlRequest(IOUSBDevRequestTO& request) override {
        controlRequests.push_back(request.bRequest);
        std::fill_n(request.pData, request.wLength, 0);
        std::copy_n(controlReply.begin(), std::min<size_t>(controlReply.size(), request.wLength),
                    request.pData);
        return controlCode;
    }
    IOReturn writePipe(uint8_t, const uint8_t* data, uint32_t size, uint32_t, uint32_t) override {
        writes.emplace_back(data, data + size);
        return onWrite ? onWrite(writes.back()) : success;
    }
    IOReturn readPipe(uint8_t, uint8_t* buffer, uint32_t& size, uint32_t, uint32_t) override {
        readRooms.push_back(size);
        if (reads.empty() && onSilence) {
            onSilence();
        }
        if (reads.empty()) {
            size = 0;
            return kIOUSBTransactionTimeout;
        }
        Read read = std::move(reads.front());
        reads.pop_front();
        // A real bus never delivers more than the room offered.
        if (read.bytes.size() > size) {
            size = 0;
            return kIOReturnOverrun;
        }
        std::copy(read.bytes.begin(), read.bytes.end(), buffer);
        size = static_cast<uint32_t>(read.bytes.size());
        return read.code;
    }
};

}  // namespace scandesk::testing
