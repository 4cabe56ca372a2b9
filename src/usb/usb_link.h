// The seam under the USB layer: raw device and interface calls that answer with return codes.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "usb/io_return.h"

namespace scandesk {

/// Which interfaces `createInterface` lists; 0xFFFF in a field means any value.
struct IOUSBFindInterfaceRequest {
    uint16_t bInterfaceClass = 0xFFFF;
    uint16_t bInterfaceSubClass = 0xFFFF;
    uint16_t bInterfaceProtocol = 0xFFFF;
    uint16_t bAlternateSetting = 0xFFFF;
};

/// A control request with its time-outs; the first five fields form the 8-byte setup packet.
struct IOUSBDevRequestTO {
    uint8_t bmRequestType = 0;
    uint8_t bRequest = 0;
    uint16_t wValue = 0;
    uint16_t wIndex = 0;
    uint16_t wLength = 0;
    uint8_t* pData = nullptr;  ///< at least wLength bytes
    uint32_t wLenDone = 0;     ///< out: bytes transferred in the data stage
    uint32_t noDataTimeout = 0;
    uint32_t completionTimeout = 0;
};

/// What an endpoint descriptor says about one pipe.
struct UsbPipeProperties {
    uint8_t direction = 0;  ///< 0 out, 1 in
    uint8_t number = 0;
    uint8_t transferType = 0;  ///< 0 control, 1 isoc, 2 bulk, 3 interrupt
    uint16_t maxPacketSize = 0;
    uint8_t interval = 0;
};

/// One interface of an opened device. Pipe references are 1-based positions of the
/// interface's endpoints in descriptor order; 0 is the default control pipe.
class UsbInterfaceLink {
  public:
    virtual ~UsbInterfaceLink() = default;

    /// The interface's number in its configuration.
    virtual uint8_t interfaceNumber() = 0;
    /// Takes the interface for this process (claims it).
    virtual IOReturn open() = 0;
    /// Gives the interface back.
    virtual IOReturn close() = 0;
    /// How many endpoints the interface lists.
    virtual IOReturn endpointCount(uint8_t& count) = 0;
    /// The properties of one pipe, or nothing when the reference names no endpoint.
    virtual std::optional<UsbPipeProperties> pipeProperties(uint8_t pipe) = 0;
    /// Whether the pipe can take transfers (success) or why not.
    virtual IOReturn pipeStatus(uint8_t pipe) = 0;
    /// Clears a halt on the pipe (on the device too when `bothEnds`).
    virtual IOReturn clearPipeStall(uint8_t pipe, bool bothEnds) = 0;
    /// Resets the pipe's state.
    virtual IOReturn resetPipe(uint8_t pipe) = 0;
    /// Sends a control request on the default pipe; fills `pData` and `wLenDone`.
    virtual IOReturn controlRequest(IOUSBDevRequestTO& request) = 0;
    /// Writes the bytes to an OUT pipe in one transfer.
    virtual IOReturn writePipe(uint8_t pipe, const uint8_t* data, uint32_t size,
                               uint32_t noDataTimeoutMs, uint32_t completionTimeoutMs) = 0;
    /// Reads into `buffer` from an IN pipe; `size` goes in as the room and comes back
    /// as the bytes delivered (also when the read fails: 0 when none came).
    virtual IOReturn readPipe(uint8_t pipe, uint8_t* buffer, uint32_t& size,
                              uint32_t noDataTimeoutMs, uint32_t completionTimeoutMs) = 0;
};

/// One opened USB device.
class UsbDeviceLink {
  public:
    virtual ~UsbDeviceLink() = default;

    virtual uint16_t vendorId() = 0;
    virtual uint16_t productId() = 0;
    /// The interfaces of the active configuration that match the request, in
    /// descriptor order.
    virtual IOReturn interfaces(const IOUSBFindInterfaceRequest& request,
                                std::vector<std::unique_ptr<UsbInterfaceLink>>& found) = 0;
};

/// Vendor and product ID of one attached device.
struct UsbDeviceIds {
    uint16_t vendor = 0;
    uint16_t product = 0;

    friend bool operator==(const UsbDeviceIds&, const UsbDeviceIds&) = default;
};

/// The attached devices.
class UsbBus {
  public:
    virtual ~UsbBus() = default;

    /// The IDs of every attached device whose descriptor can be read, in the
    /// platform's order.
    virtual std::vector<UsbDeviceIds> listDevices() = 0;
    /// Opens the first device listed with these IDs. Throws `IOReturnError` when the
    /// list or the device cannot be had, `pluginHasNoUsbDeviceInterface` when none matches.
    virtual std::unique_ptr<UsbDeviceLink> openDevice(uint16_t vendor, uint16_t product) = 0;
};

/// Makes a bus; throws `IOReturnError` when the USB stack cannot start.
using UsbBusFactory = std::function<std::unique_ptr<UsbBus>()>;

/// The bus of the machine, through libusb.
std::unique_ptr<UsbBus> openLibusbBus();

}  // namespace scandesk
