// The steps of a network scan job.
#include "network/socket_scan_process.h"

#include "common/diagnostics.h"
#include "network/stop_signal.h"
#include "network/utf8_text.h"
#include "protocol/scanner_replies.h"

namespace scandesk {
namespace {

constexpr const char* kScannerGreeting = "0001";
constexpr size_t kGreetingSize = 4;

}  // namespace

SocketScanProcess::SocketScanProcess(Device scanner, ScanCommand scanCommand, PageSink sink,
                                     NetworkScanOptions options)
    : socket_(scanner.ip, options.port, options.limits),
      scanner_(std::move(scanner)),
      scanCommand_(std::move(scanCommand)),
      sink_(std::move(sink)),
      options_(std::move(options)) {}

ScanOutcome SocketScanProcess::start(std::stop_token stop) {
    const StopSignal stopSignal(stop);
    socket_.setStopDescriptor(stopSignal.fd());
    for (auto step : {&SocketScanProcess::checkScanner, &SocketScanProcess::checkPaperSource,
                      &SocketScanProcess::sendSCommand, &SocketScanProcess::sendICommand}) {
        const auto failure = (this->*step)();
        if (failure || stop.stop_requested()) {
            socket_.disconnect();
            return ScanOutcome::failure(stop.stop_requested() ? ScanCode::cancelled : *failure);
        }
    }
    writeCommand(scanCommand_.getXCommand());
    ScanOutcome outcome = socket_.receiveImages(scanCommand_.param, sink_, options_.progress);
    socket_.disconnect();
    return outcome;
}

std::optional<ScanCode> SocketScanProcess::checkScanner() {
    socket_.connect();
    const auto reply = socket_.receiveResponse();
    if (!reply) {
        return ScanCode::scannerNetworkError;
    }
    const auto text = decodeUtf8(std::span(*reply).first(kGreetingSize));
    diagDebug("check scanner validate info = ", text.value_or("<not UTF-8 text>"));
    if (text == kScannerGreeting) {
        return std::nullopt;
    }
    return ScanCode::checkScannerError;
}

std::optional<ScanCode> SocketScanProcess::checkPaperSource() {
    ScanParam& param = scanCommand_.param;
    if (!needsPaperCheck(param.source)) {
        return std::nullopt;
    }
    writeCommand(toBytes(scanCommand_.getDCommand()));
    const auto reply = socket_.receiveResponse();
    if (!reply) {
        return ScanCode::scannerNetworkError;
    }
    diagDebug("check paper source. ret = ", static_cast<int>(reply->front()));
    PaperCheck check = decodePaperReply(param.source, reply->front());
    param.source = std::move(check.source);
    return check.failure;
}

std::optional<ScanCode> SocketScanProcess::sendSCommand() {
    writeCommand(toBytes(scanCommand_.getSCommand()));
    const auto reply = socket_.receiveResponse();
    if (!reply) {
        return ScanCode::scannerNetworkError;
    }
    return decodeSourceReply(reply->front());
}

std::optional<ScanCode> SocketScanProcess::sendICommand() {
    writeCommand(toBytes(scanCommand_.getICommand()));
    if (!socket_.receiveResponse()) {
        return ScanCode::scannerNetworkError;
    }
    return std::nullopt;
}

void SocketScanProcess::writeCommand(const Bytes& bytes) {
    socket_.write(bytes);
}

}  // namespace scandesk
