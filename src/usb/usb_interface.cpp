// One USB interface of the scanner: opening, pipes, control requests and bulk transfers.
#include "usb/usb_interface.h"

#include <algorithm>
#include <cstdint>
#include <span>
#include <stdexcept>

#include "common/diagnostics.h"
#include "usb/byte_list.h"
#include "usb/usb_error.h"
#include "usb/usb_timeout.h"

namespace scandesk {
namespace {

// The name of an endpoint direction as the pipe log lines spell it.
const char* directionName(uint8_t direction) {
    switch (direction) {
        case 0:
            return "out";
        case 1:
            return "in";
        case 2:
            return "none";
        case 3:
            return "any";
        default:
            return "???";
    }
}

// The name of a transfer type as the pipe log lines spell it.
const char* transferTypeName(uint8_t type) {
    switch (type) {
        case 0:
            return "control";
        case 1:
            return "isoc";
        case 2:
            return "bulk";
        case 3:
            return "interrupt";
        case 255:
            return "any";
        default:
            return "???";
    }
}

}  // namespace

UsbInterface::UsbInterface(std::unique_ptr<UsbInterfaceLink> link) : link_(std::move(link)) {}

void UsbInterface::open(bool seize) {
    const IOReturn code = link_->open();
    if (seize) {
        throwIfNotSuccess(code, "func open-seize-true");
    } else if (code != success) {
        diagError("open interface failed");
    }
}

void UsbInterface::close() {
    try {
        throwIfNotSuccess(link_->close(), "func close");
    } catch (const IOReturnError&) {
        // A failed close shows only as the check's log line.
    }
    diagDebug("interface closed");
}

void UsbInterface::openAndPerform(bool seize, const std::function<void()>& action) {
    open(seize);
    try {
        action();
    } catch (...) {
        close();
        throw;
    }
    close();
}

uint8_t UsbInterface::getInterfaceNum() {
    return link_->interfaceNumber();
}

PipeTable UsbInterface::getPipes() {
    uint8_t count = 0;
    const IOReturn code = link_->endpointCount(count);
    diagDebug("endpoints = ", static_cast<int>(count),
              " and get no res = ", optionalLogForm(std::optional<long long>(code)));
    PipeTable pipes;
    for (uint8_t pipe = 1; pipe <= 2; ++pipe) {
        const auto properties = link_->pipeProperties(pipe);
        if (!properties) {
            diagWarning("Could not get properties for pipe ", static_cast<int>(pipe));
            continue;
        }
        const int direction = properties->direction;
        const int type = properties->transferType;
        diagDebug("endpointnum = ", static_cast<int>(pipe), ",direction = ", direction,
                  ",number = ", static_cast<int>(properties->number), ",transType=", type,
                  ",maxsize=", properties->maxPacketSize,
                  ",interval=", static_cast<int>(properties->interval));
        diagDebug("endpoint", static_cast<int>(pipe), " direction: ", directionName(direction),
                  ", ");
        diagDebug("endpoint", static_cast<int>(pipe), " type is: ", transferTypeName(type), ", ");
        if (direction == 1) {
            pipes[kReadPipe] = pipe;
        } else if (direction == 0) {
            pipes[kWritePipe] = pipe;
        }
    }
    return pipes;
}

void UsbInterface::clearPipeStall(bool bothEnds, uint8_t pipe) {
    throwIfNotSuccess(link_->clearPipeStall(pipe, bothEnds),
                      bothEnds ? "func clearPipeStall-true " : "func clearPipeStall-false ");
}

void UsbInterface::resetPipe(uint8_t pipe) {
    throwIfNotSuccess(link_->resetPipe(pipe), "func resetPipe ");
}

void UsbInterface::sendControlRequest(IOUSBDevRequestTO& request, uint8_t pipe) {
    diagVerbose("sendControlRequest");
    // Only the default pipe carries control requests on this bus.
    const IOReturn code = pipe == 0 ? link_->controlRequest(request) : kIOUSBUnknownPipeErr;
    if (code != success) {
        throw IOReturnError(code);
    }
}

void UsbInterface::write(const Bytes& data, uint8_t pipe, double noDataTimeout,
                         double completionTimeout) {
    if (data.size() > UINT32_MAX) {
        throw std::invalid_argument("USB write longer than 2^32 - 1 bytes");
    }
    throwIfNotSuccess(link_->writePipe(pipe, data.data(), static_cast<uint32_t>(data.size()),
                                       timeoutMilliseconds(noDataTimeout),
                                       timeoutMilliseconds(completionTimeout)),
                      "func write ");
}

Bytes UsbInterface::readBytes(std::optional<size_t> minCount, size_t maxCount, uint8_t pipe,
                              double noDataTimeout, double completionTimeout) {
    if (maxCount > UINT32_MAX) {
        throw std::invalid_argument("USB read longer than 2^32 - 1 bytes");
    }
    Bytes buffer(maxCount, 0);
    uint32_t length = static_cast<uint32_t>(maxCount);
    diagDebug("pipe status = ", optionalLogForm(std::optional<long long>(link_->pipeStatus(pipe))));
    throwIfNotSuccess(
        link_->readPipe(pipe, buffer.data(), length, timeoutMilliseconds(noDataTimeout),
                        timeoutMilliseconds(completionTimeout)),
        "func readBytes");
    if (minCount && length < *minCount) {
        throw UsbIOErrorException(UsbIOError::couldNotGetEnoughData);
    }
    diagVerbose("readBytes function. readlen=", length);
    buffer.resize(std::min<size_t>(length, maxCount));
    diagVerbose("get bytes data is ", byteListText(buffer));
    return buffer;
}

IOReturn UsbInterface::readPipe(uint8_t pipe, uint8_t* buffer, uint32_t& size, uint32_t timeoutMs) {
    return link_->readPipe(pipe, buffer, size, timeoutMs, timeoutMs);
}

}  // namespace scandesk
