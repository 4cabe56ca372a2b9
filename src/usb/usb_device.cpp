// One USB device of the scanner: found by its IDs, and the source of its interfaces.
#include "usb/usb_device.h"

#include "usb/usb_error.h"

namespace scandesk {

UsbDevice::UsbDevice(std::unique_ptr<UsbDeviceLink> link) : link_(std::move(link)) {}

std::unique_ptr<UsbDevice> UsbDevice::create(UsbBus& bus, uint16_t vendorIdentifier,
                                             uint16_t productIdentifier) {
    return std::make_unique<UsbDevice>(bus.openDevice(vendorIdentifier, productIdentifier));
}

std::vector<std::unique_ptr<UsbInterface>> UsbDevice::createInterface(
    const IOUSBFindInterfaceRequest& request) {
    std::vector<std::unique_ptr<UsbInterfaceLink>> links;
    throwIfNotSuccess(link_->interfaces(request, links), "func createInterfaceInterface ");
    if (links.empty()) {
        throw UsbIOErrorException(UsbIOError::pluginHasNoUsbInterfaceInterface);
    }
    std::vector<std::unique_ptr<UsbInterface>> interfaces;
    for (auto& link : links) {
        interfaces.push_back(std::make_unique<UsbInterface>(std::move(link)));
    }
    return interfaces;
}

std::vector<std::unique_ptr<UsbInterface>> UsbDevice::createInterface(uint16_t interfaceClass,
                                                                      uint16_t interfaceSubClass,
                                                                      uint16_t interfaceProtocol,
                                                                      uint16_t alternateSetting) {
    return createInterface(IOUSBFindInterfaceRequest{interfaceClass, interfaceSubClass,
                                                     interfaceProtocol, alternateSetting});
}

}  // namespace scandesk
