// One USB interface of the scanner: opening, pipes, control requests and bulk transfers.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "common/bytes.h"
#include "usb/usb_link.h"

namespace scandesk {

/// Pipe role ("readPipe", "writePipe") to pipe reference.
using PipeTable = std::map<std::string, uint8_t>;

inline constexpr const char* kReadPipe = "readPipe";
inline constexpr const char* kWritePipe = "writePipe";

/// An interface object over the raw link. Every failing call that has a label logs
/// "error happened at <label> and error is: <description>" and throws `IOReturnError`.
class UsbInterface {
  public:
    explicit UsbInterface(std::unique_ptr<UsbInterfaceLink> link);

    /// Takes the interface. Seizing throws on failure; otherwise a failure is only
    /// logged as "open interface failed" and the caller carries on.
    void open(bool seize);
    /// Gives the interface back; a failure is only logged. Logs "interface closed".
    void close();
    /// Opens, runs the action, closes; closes also when the action throws, and rethrows.
    void openAndPerform(bool seize, const std::function<void()>& action);

    /// The interface's number.
    uint8_t getInterfaceNum();
    /// "readPipe" and "writePipe" from the directions of pipe references 1 and 2 (only
    /// those two; a later pipe of the same direction wins).
    PipeTable getPipes();

    /// Clears a stalled pipe, on both ends or on the host only.
    void clearPipeStall(bool bothEnds, uint8_t pipe);
    /// Resets a pipe.
    void resetPipe(uint8_t pipe);
    /// Logs "sendControlRequest" and sends the request on the control pipe (0); a failure
    /// is thrown as its return code without a further line.
    void sendControlRequest(IOUSBDevRequestTO& request, uint8_t pipe);

    /// Writes the whole array to an OUT pipe in one transfer (time-outs in seconds).
    void write(const Bytes& data, uint8_t pipe, double noDataTimeout, double completionTimeout);
    /// Reads at most `maxCount` bytes; fewer than `minCount` throws `couldNotGetEnoughData`.
    Bytes readBytes(std::optional<size_t> minCount, size_t maxCount, uint8_t pipe,
                    double noDataTimeout, double completionTimeout);
    /// The same as `readBytes`.
    Bytes read(std::optional<size_t> minCount, size_t maxCount, uint8_t pipe, double noDataTimeout,
               double completionTimeout) {
        return readBytes(minCount, maxCount, pipe, noDataTimeout, completionTimeout);
    }

    /// One raw read for the page stream: no check, no log; `size` goes in as the room
    /// and comes back as the bytes delivered.
    IOReturn readPipe(uint8_t pipe, uint8_t* buffer, uint32_t& size, uint32_t timeoutMs);

  private:
    std::unique_ptr<UsbInterfaceLink> link_;
};

}  // namespace scandesk
