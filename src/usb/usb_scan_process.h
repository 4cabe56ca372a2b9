// One scan job on a scanner attached by USB: open, paper check, commands, pages, close.
#pragma once

#include <chrono>
#include <memory>
#include <optional>

#include "devices/device.h"
#include "protocol/scan_command.h"
#include "protocol/scan_process.h"
#include "usb/page_stream.h"
#include "usb/usb_device.h"
#include "usb/usb_interface.h"
#include "usb/usb_link.h"

namespace scandesk {

/// What a USB job may be given beyond its scanner and command.
struct UsbScanOptions {
    /// How long one page-stream read waits for the scanner.
    std::chrono::milliseconds pageReadTimeout = kPageReadTimeout;
    /// Told the number of each page after it is stored; may be empty.
    PageProgress progress;
    /// Where the scanner is looked for; the machine's bus through libusb by default.
    UsbBusFactory bus = openLibusbBus;
};

/// Time limits of the scanner's vendor requests and of its commands.
inline constexpr uint32_t kControlNoDataTimeoutMs = 2000;
inline constexpr uint32_t kControlCompletionTimeoutMs = 3000;
inline constexpr double kCommandTimeoutSeconds = 0.3;

/// Runs one job. The constructor finds the device and its interface number 1 (and only
/// logs when it cannot); `start` runs the whole job and releases the scanner before it
/// returns. Nothing is thrown out of the process.
class UsbScanProcess : public ScanProcess {
  public:
    UsbScanProcess(Device scanner, ScanCommand scanCommand, PageSink sink,
                   UsbScanOptions options = {});
    ~UsbScanProcess() override;

    /// The whole job: the pages stored and how it ended.
    ScanOutcome start(std::stop_token stop) override;

    // Each step gives its failure, if any.
    /// Sends the open request; "scannerBusy", "openError" or "unexpectError" when the
    /// scanner is not ready.
    std::optional<ScanCode> openScanner();
    /// Sends the close request; whether the scanner confirmed it.
    bool closeScanner();
    /// Sends the D command unless the source is "FB"; may resolve an "AUTO" source.
    std::optional<ScanCode> checkPaperSource();
    /// Sends the S command with the (resolved) source.
    std::optional<ScanCode> sendSCommand();
    /// Sends the I command.
    std::optional<ScanCode> sendICommand();
    /// Sends the X command; no reply is read.
    std::optional<ScanCode> sendXCommand();

    /// The pipe table that `start` found (empty before).
    const PipeTable& pipes() const { return pips_; }

  private:
    void init();
    /// Sends one vendor request that answers [5, ..., state]; returns the first 5 bytes.
    Bytes sendVendorRequest(uint8_t request);
    /// The pipe reference of a role; throws when the table lacks it.
    uint8_t pipeFor(const char* role) const;
    /// Writes a command and reads its reply (at most `maxReply` bytes); returns the
    /// reply's first byte, or nothing after logging `errorLine` and the error.
    std::optional<uint8_t> exchange(const Bytes& command, size_t maxReply, const char* errorLine);
    /// Drops the interface and the device.
    void releaseHandles();
    /// Sends the close request without looking at its result, then drops the handles.
    void finish();

    Device scanner_;
    ScanCommand scanCommand_;
    PageSink sink_;
    UsbScanOptions options_;
    std::unique_ptr<UsbDevice> deviceInterface_;
    std::unique_ptr<UsbInterface> interfaceInterface_;
    PipeTable pips_;
};

}  // namespace scandesk
