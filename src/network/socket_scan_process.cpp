// The steps of a network scan job.
#include "network/socket_scan_process.h"

#include "common/diagnostics.h"
#include "network/utf8_text.h"

namespace scandesk {
namespace {

constexpr const char* kScannerGreeting = "0001";
constexpr size_t kGreetingSize = 4;
constexpr uint8_t kFeederLoaded = 0x80;
constexpr uint8_t kFeederEmpty = 0xC2;
constexpr uint8_t kCannotCheck = 0xC4;
constexpr uint8_t kSourceMissing = 0xD0;
constexpr uint8_t kAccepted = 0x80;

const ResultPair kOk{true, "ok"};
const ResultPair kNetworkError{false, "scannerNetworkError"};

}  // namespace

SocketScanProcess::SocketScanProcess(Device scanner, SharedScanCommand scanCommand, PageSink sink,
                                     NetworkScanOptions options)
    : socket_(scanner.ip, options.port, options.limits),
      scanner_(std::move(scanner)),
      scanCommand_(std::move(scanCommand)),
      sink_(std::move(sink)),
      options_(std::move(options)) {}

ResultPair SocketScanProcess::start() {
    for (auto step : {&SocketScanProcess::checkScanner, &SocketScanProcess::checkPaperSource,
                      &SocketScanProcess::sendSCommand, &SocketScanProcess::sendICommand}) {
        const ResultPair result = (this->*step)();
        if (!result.status) {
            socket_.disconnect();
            return result;
        }
    }
    writeCommand(scanCommand_->getXCommand());
    const ResultPair result = socket_.receiveImages(scanCommand_->param, sink_, options_.progress);
    socket_.disconnect();
    return result;
}

ResultPair SocketScanProcess::checkScanner() {
    socket_.connect();
    const auto reply = socket_.receiveResponse();
    if (!reply) {
        return kNetworkError;
    }
    const auto text = decodeUtf8(std::span(*reply).first(kGreetingSize));
    diag("check scanner validate info = ", text.value_or("<not UTF-8 text>"));
    if (text == kScannerGreeting) {
        return kOk;
    }
    return {false, "checkScannerError"};
}

ResultPair SocketScanProcess::checkPaperSource() {
    ScanParam& param = scanCommand_->param;
    if (param.source == "FB") {
        return {true, "noNeedToCheck"};
    }
    writeCommand(toBytes(scanCommand_->getDCommand()));
    const auto reply = socket_.receiveResponse();
    if (!reply) {
        return kNetworkError;
    }
    const uint8_t answer = reply->front();
    diag("check paper source. ret = ", static_cast<int>(answer));
    const bool automatic = param.source == "AUTO";
    switch (answer) {
        case kFeederLoaded:
            if (automatic) {
                param.source = "ADF";
            }
            return kOk;
        case kFeederEmpty:
            if (automatic) {
                param.source = "FB";
                return kOk;
            }
            return {false, "noPaperInADF"};
        case kCannotCheck:
            return {false, "cannotChekPaperSource"};
        case kSourceMissing:
            return {false, "paperSourceNotExist"};
        default:
            return {false, "unexpectError"};
    }
}

ResultPair SocketScanProcess::sendSCommand() {
    writeCommand(toBytes(scanCommand_->getSCommand()));
    const auto reply = socket_.receiveResponse();
    if (!reply) {
        return kNetworkError;
    }
    switch (reply->front()) {
        case kSourceMissing:
            return {false, "paperSourceNotExist"};
        case kAccepted:
            return kOk;
        default:
            return {false, "unexpectError"};
    }
}

ResultPair SocketScanProcess::sendICommand() {
    writeCommand(toBytes(scanCommand_->getICommand()));
    if (!socket_.receiveResponse()) {
        return kNetworkError;
    }
    return kOk;
}

void SocketScanProcess::writeCommand(const Bytes& bytes) {
    socket_.write(bytes);
}

}  // namespace scandesk
