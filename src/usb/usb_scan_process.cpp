// One scan job on a scanner attached by USB: open, paper check, commands, pages, close.
#include "usb/usb_scan_process.h"

#include "common/diagnostics.h"
#include "protocol/scanner_replies.h"
#include "usb/byte_list.h"
#include "usb/usb_error.h"

namespace scandesk {
namespace {

// The scanner's vendor requests: device to host, vendor type, device recipient.
constexpr uint8_t kVendorRequestType = 0xC0;
constexpr uint8_t kOpenRequest = 0x01;
constexpr uint8_t kCloseRequest = 0x02;
constexpr uint16_t kVendorRequestValue = 0x0002;
constexpr uint16_t kVendorReplyLength = 0x0500;
constexpr size_t kVendorReplyBytes = 5;

constexpr size_t kShortReplyBytes = 10;
constexpr size_t kImageReplyBytes = 50;

// A vendor reply is valid when byte 0 is 5; byte 4 is the scanner's state (0 ready, 1 busy).
bool replyIs(const Bytes& reply, uint8_t state) {
    return reply[0] == 5 && reply[4] == state;
}

}  // namespace

UsbScanProcess::UsbScanProcess(Device scanner, ScanCommand scanCommand, PageSink sink,
                               UsbScanOptions options)
    : scanner_(std::move(scanner)),
      scanCommand_(std::move(scanCommand)),
      sink_(std::move(sink)),
      options_(std::move(options)) {
    init();
}

UsbScanProcess::~UsbScanProcess() = default;

void UsbScanProcess::init() {
    diagDebug("init usbscanprocess pid=", scanner_.PID, " and vid = ", scanner_.VID);
    try {
        std::unique_ptr<UsbBus> bus = options_.bus ? options_.bus() : openLibusbBus();
        deviceInterface_ = UsbDevice::create(*bus, scanner_.VID, scanner_.PID);
        auto interfaces = deviceInterface_->createInterface(0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF);
        // The scanner speaks on interface 1; the others are let go at once.
        for (auto& interface : interfaces) {
            if (interface->getInterfaceNum() == 1) {
                interfaceInterface_ = std::move(interface);
            }
        }
    } catch (const std::exception& error) {
        releaseHandles();
        diagError("init usb interface error. and error is ", errorLogValue(error));
    }
}

Bytes UsbScanProcess::sendVendorRequest(uint8_t request) {
    // The request announces 0x500 bytes, so the buffer takes that many.
    Bytes buffer(kVendorReplyLength, 0);
    IOUSBDevRequestTO control;
    control.bmRequestType = kVendorRequestType;
    control.bRequest = request;
    control.wValue = kVendorRequestValue;
    control.wIndex = 0;
    control.wLength = kVendorReplyLength;
    control.pData = buffer.data();
    control.wLenDone = 255;
    control.noDataTimeout = kControlNoDataTimeoutMs;
    control.completionTimeout = kControlCompletionTimeoutMs;
    interfaceInterface_->sendControlRequest(control, 0);
    buffer.resize(kVendorReplyBytes);
    return buffer;
}

std::optional<ScanCode> UsbScanProcess::openScanner() {
    Bytes reply(kVendorReplyBytes, 0);
    if (interfaceInterface_) {
        try {
            reply = sendVendorRequest(kOpenRequest);
        } catch (const std::exception& error) {
            releaseHandles();
            diagError("open scanner error. and error is ", errorLogValue(error));
            return ScanCode::openError;
        }
    }
    diagVerbose(byteListText(reply));
    if (replyIs(reply, 0)) {
        return std::nullopt;
    }
    if (replyIs(reply, 1)) {
        return ScanCode::scannerBusy;
    }
    return ScanCode::unexpectError;
}

bool UsbScanProcess::closeScanner() {
    if (!interfaceInterface_) {
        return false;
    }
    Bytes reply;
    try {
        reply = sendVendorRequest(kCloseRequest);
    } catch (const std::exception& error) {
        releaseHandles();
        diagWarning("close scanner error. and error is ", errorLogValue(error));
        return false;
    }
    if (replyIs(reply, 0)) {
        diagDebug("close scanner successfully");
        return true;
    }
    return false;
}

uint8_t UsbScanProcess::pipeFor(const char* role) const {
    const auto found = pips_.find(role);
    if (found == pips_.end()) {
        diagError("the interface has no ", role);
        throw IOReturnError(kIOUSBUnknownPipeErr);
    }
    return found->second;
}

std::optional<uint8_t> UsbScanProcess::exchange(const Bytes& command, size_t maxReply,
                                                const char* errorLine) {
    try {
        interfaceInterface_->write(command, pipeFor(kWritePipe), kCommandTimeoutSeconds,
                                   kCommandTimeoutSeconds);
        // At least one byte comes back, or `readBytes` throws.
        return interfaceInterface_->readBytes(1, maxReply, pipeFor(kReadPipe),
                                              kCommandTimeoutSeconds, kCommandTimeoutSeconds)[0];
    } catch (const std::exception& error) {
        diagError(errorLine, errorLogValue(error));
        return std::nullopt;
    }
}

std::optional<ScanCode> UsbScanProcess::checkPaperSource() {
    ScanParam& param = scanCommand_.param;
    if (!needsPaperCheck(param.source)) {
        return std::nullopt;
    }
    const Bytes command = toBytes(scanCommand_.getDCommand());
    if (!interfaceInterface_) {
        return ScanCode::unexpectError;
    }
    const auto reply = exchange(command, kShortReplyBytes, "check paper source error. error = ");
    if (!reply) {
        return ScanCode::checkPaperSourceError;
    }
    PaperCheck check = decodePaperReply(param.source, *reply);
    param.source = std::move(check.source);
    return check.failure;
}

std::optional<ScanCode> UsbScanProcess::sendSCommand() {
    const Bytes command = toBytes(scanCommand_.getSCommand());
    if (!interfaceInterface_) {
        return ScanCode::unexpectError;
    }
    const auto reply = exchange(command, kShortReplyBytes, "send s command error. error = ");
    if (!reply) {
        return ScanCode::sndSCommandError;
    }
    return decodeSourceReply(*reply);
}

std::optional<ScanCode> UsbScanProcess::sendICommand() {
    const Bytes command = toBytes(scanCommand_.getICommand());
    if (!interfaceInterface_) {
        return ScanCode::unexpectError;
    }
    const auto reply = exchange(command, kImageReplyBytes, "send I command error. error = ");
    if (!reply || *reply != kImageReplyAccepted) {
        return ScanCode::sndICommandError;
    }
    return std::nullopt;
}

std::optional<ScanCode> UsbScanProcess::sendXCommand() {
    const Bytes command = scanCommand_.getXCommand();
    if (!interfaceInterface_) {
        return ScanCode::sndXCommandError;
    }
    try {
        interfaceInterface_->write(command, pipeFor(kWritePipe), kCommandTimeoutSeconds,
                                   kCommandTimeoutSeconds);
    } catch (const std::exception& error) {
        diagError("send X command error. error = ", errorLogValue(error));
        return ScanCode::sndXCommandError;
    }
    return std::nullopt;
}

ScanOutcome UsbScanProcess::start(std::stop_token stop) {
    if (const auto refused = openScanner()) {
        releaseHandles();
        return ScanOutcome::failure(*refused);
    }
    try {
        interfaceInterface_->open(false);
        pips_ = interfaceInterface_->getPipes();
    } catch (const std::exception& error) {
        diagError("open interface error. and error is ", errorLogValue(error));
        finish();
        return ScanOutcome::failure(ScanCode::openError);
    }

    // From here on the scanner is open: every exit sends the close request.
    using Step = std::optional<ScanCode> (UsbScanProcess::*)();
    for (Step step : {&UsbScanProcess::checkPaperSource, &UsbScanProcess::sendSCommand,
                      &UsbScanProcess::sendICommand, &UsbScanProcess::sendXCommand}) {
        const auto failure = (this->*step)();
        if (failure || stop.stop_requested()) {
            diagWarning("command step failed: ", alertKey(failure.value_or(ScanCode::cancelled)));
            finish();
            return ScanOutcome::failure(stop.stop_requested() ? ScanCode::cancelled : *failure);
        }
    }
    diagDebug("x command is sent");

    ScanOutcome job;
    while (true) {
        PageReadResult page;
        try {
            interfaceInterface_->openAndPerform(false, [&] {
                diagDebug("open and perform");
                page = readImages(*interfaceInterface_, pipeFor(kReadPipe), scanCommand_.param,
                                  job.pagesStored + 1, sink_, options_.pageReadTimeout, stop);
            });
        } catch (const std::exception& error) {
            diagError("receive images error. error = ", errorLogValue(error));
            finish();
            return ScanOutcome::failure(ScanCode::receiveImagesError, job.pagesStored);
        }
        if (!page.isFinished) {
            ++job.pagesStored;
            if (options_.progress) {
                options_.progress(page.pageNo);
            }
            continue;
        }
        job.code = page.code;
        finish();
        return job;
    }
}
void UsbScanProcess::finish() {
    closeScanner();
    releaseHandles();
}

void UsbScanProcess::releaseHandles() {
    interfaceInterface_.reset();
    deviceInterface_.reset();
}

}  // namespace scandesk
