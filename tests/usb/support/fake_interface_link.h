// An interface link whose reads are scripted in the test, for logic that needs no device.
#pragma once

#include <deque>
#include <optional>
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
    IOReturn openCode = success;
    IOReturn closeCode = success;
    IOReturn clearCode = success;
    IOReturn writeCode = success;

    std::vector<uint32_t> readRooms;
    std::vector<std::vector<uint8_t>> writes;
    int clearStalls = 0;

    uint8_t interfaceNumber() override { return 1; }
    IOReturn open() override { return openCode; }
    IOReturn close() override { return closeCode; }
    IOReturn endpointCount(uint8_t& count) override {
        count = static_cast<uint8_t>(pipes.size());
        return success;
    }
    std::optional<UsbPipeProperties> pipeProperties(uint8_t pipe) override {
        return pipe >= 1 && pipe <= pipes.size() ? pipes[pipe - 1] : std::nullopt;
    }
    IOReturn pipeStatus(uint8_t) override { return success; }
    IOReturn clearPipeStall(uint8_t, bool) override {
        ++clearStalls;
        return clearCode;
    }
    IOReturn resetPipe(uint8_t) override { return success; }
    IOReturn controlRequest(IOUSBDevRequestTO&) override { return success; }
    IOReturn writePipe(uint8_t, const uint8_t* data, uint32_t size, uint32_t, uint32_t) override {
        writes.emplace_back(data, data + size);
        return writeCode;
    }
    IOReturn readPipe(uint8_t, uint8_t* buffer, uint32_t& size, uint32_t, uint32_t) override {
        readRooms.push_back(size);
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
