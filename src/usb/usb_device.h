// One USB device of the scanner: found by its IDs, and the source of its interfaces.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "usb/usb_interface.h"
#include "usb/usb_link.h"

namespace scandesk {

/// A device object over the raw link.
class UsbDevice {
  public:
    explicit UsbDevice(std::unique_ptr<UsbDeviceLink> link);

    /// The first device the bus lists with these IDs. Throws
    /// `pluginHasNoUsbDeviceInterface` when none is attached, `IOReturnError` when the
    /// bus cannot list or open it.
    static std::unique_ptr<UsbDevice> create(UsbBus& bus, uint16_t vendorIdentifier,
                                             uint16_t productIdentifier);

    /// The interfaces of the active configuration that match, in descriptor order.
    /// Throws `pluginHasNoUsbInterfaceInterface` when none matches.
    std::vector<std::unique_ptr<UsbInterface>> createInterface(
        const IOUSBFindInterfaceRequest& request);
    /// The same with the four request fields given one by one (0xFFFF: any).
    std::vector<std::unique_ptr<UsbInterface>> createInterface(uint16_t interfaceClass,
                                                               uint16_t interfaceSubClass,
                                                               uint16_t interfaceProtocol,
                                                               uint16_t alternateSetting);

  private:
    std::unique_ptr<UsbDeviceLink> link_;
};

}  // namespace scandesk
