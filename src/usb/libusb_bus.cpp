// The USB bus, devices and interfaces of the machine, through libusb.
#include <climits>

#include "usb/libusb_handles.h"
#include "usb/usb_error.h"
#include "usb/usb_link.h"

namespace scandesk {
namespace {

// libusb has one time limit per transfer; the completion limit bounds the whole
// transfer, so it wins, and the no-data limit stands in when it is 0.
unsigned int transferTimeoutMs(uint32_t noDataTimeoutMs, uint32_t completionTimeoutMs) {
    return completionTimeoutMs != 0 ? completionTimeoutMs : noDataTimeoutMs;
}

// One interface setting of an opened device; the claim is given back when dropped.
class LibusbInterfaceLink final : public UsbInterfaceLink {
  public:
    // Keeps the interface's number, setting and endpoints from its descriptor.
    LibusbInterfaceLink(std::shared_ptr<LibusbDeviceHandle> handle,
                        const libusb_interface_descriptor& descriptor)
        : handle_(std::move(handle)),
          number_(descriptor.bInterfaceNumber),
          alternateSetting_(descriptor.bAlternateSetting),
          endpoints_(descriptor.endpoint, descriptor.endpoint + descriptor.bNumEndpoints) {}

    ~LibusbInterfaceLink() override {
        if (claimed_) {
            libusb_release_interface(handle_->get(), number_);
        }
    }

    uint8_t interfaceNumber() override { return number_; }

    // Claims the interface, taking it from a kernel driver that holds it.
    IOReturn open() override {
        libusb_set_auto_detach_kernel_driver(handle_->get(), 1);
        IOReturn code = ioReturnFromLibusb(libusb_claim_interface(handle_->get(), number_));
        if (code != success) {
            return code;
        }
        claimed_ = true;
        if (alternateSetting_ != 0) {
            code = ioReturnFromLibusb(
                libusb_set_interface_alt_setting(handle_->get(), number_, alternateSetting_));
        }
        return code;
    }

    // Releases the claim; closing an interface that is not open is refused.
    IOReturn close() override {
        if (!claimed_) {
            return kIOReturnNotOpen;
        }
        claimed_ = false;
        return ioReturnFromLibusb(libusb_release_interface(handle_->get(), number_));
    }

    IOReturn endpointCount(uint8_t& count) override {
        count = static_cast<uint8_t>(endpoints_.size());
        return success;
    }

    std::optional<UsbPipeProperties> pipeProperties(uint8_t pipe) override {
        const libusb_endpoint_descriptor* endpoint = endpointOf(pipe);
        if (endpoint == nullptr) {
            return std::nullopt;
        }
        UsbPipeProperties properties;
        properties.direction = (endpoint->bEndpointAddress & LIBUSB_ENDPOINT_IN) != 0 ? 1 : 0;
        properties.number = endpoint->bEndpointAddress & LIBUSB_ENDPOINT_ADDRESS_MASK;
        properties.transferType = endpoint->bmAttributes & LIBUSB_TRANSFER_TYPE_MASK;
        properties.maxPacketSize = endpoint->wMaxPacketSize;
        properties.interval = endpoint->bInterval;
        return properties;
    }

    IOReturn pipeStatus(uint8_t pipe) override {
        return endpointOf(pipe) != nullptr ? success : kIOUSBUnknownPipeErr;
    }

    IOReturn clearPipeStall(uint8_t pipe, bool) override { return clearHalt(pipe); }

    IOReturn resetPipe(uint8_t pipe) override { return clearHalt(pipe); }

    IOReturn controlRequest(IOUSBDevRequestTO& request) override {
        const int result = libusb_control_transfer(
            handle_->get(), request.bmRequestType, request.bRequest, request.wValue, request.wIndex,
            request.pData, request.wLength,
            transferTimeoutMs(request.noDataTimeout, request.completionTimeout));
        request.wLenDone = result > 0 ? static_cast<uint32_t>(result) : 0;
        return ioReturnFromLibusb(result);
    }

    IOReturn writePipe(uint8_t pipe, const uint8_t* data, uint32_t size, uint32_t noDataTimeoutMs,
                       uint32_t completionTimeoutMs) override {
        uint32_t transferred = size;
        // libusb takes a non-const buffer for both directions; an OUT transfer only reads it.
        return bulk(pipe, const_cast<uint8_t*>(data), transferred, noDataTimeoutMs,
                    completionTimeoutMs);
    }

    IOReturn readPipe(uint8_t pipe, uint8_t* buffer, uint32_t& size, uint32_t noDataTimeoutMs,
                      uint32_t completionTimeoutMs) override {
        return bulk(pipe, buffer, size, noDataTimeoutMs, completionTimeoutMs);
    }

  private:
    // The endpoint behind a pipe reference, or null for 0 and references past the end.
    const libusb_endpoint_descriptor* endpointOf(uint8_t pipe) const {
        if (pipe == 0 || pipe > endpoints_.size()) {
            return nullptr;
        }
        return &endpoints_[pipe - 1];
    }

    // Clears the halt of the pipe's endpoint on the device and in the host.
    IOReturn clearHalt(uint8_t pipe) {
        const libusb_endpoint_descriptor* endpoint = endpointOf(pipe);
        if (endpoint == nullptr) {
            return kIOUSBUnknownPipeErr;
        }
        return ioReturnFromLibusb(libusb_clear_halt(handle_->get(), endpoint->bEndpointAddress));
    }

    // One bulk transfer on the pipe's endpoint; `size` comes back as the bytes moved.
    IOReturn bulk(uint8_t pipe, uint8_t* buffer, uint32_t& size, uint32_t noDataTimeoutMs,
                  uint32_t completionTimeoutMs) {
        const libusb_endpoint_descriptor* endpoint = endpointOf(pipe);
        const uint32_t room = size;
        size = 0;
        if (endpoint == nullptr) {
            return kIOUSBUnknownPipeErr;
        }
        if (room > static_cast<uint32_t>(INT_MAX)) {
            return kIOReturnBadArgument;
        }
        int transferred = 0;
        const int result = libusb_bulk_transfer(
            handle_->get(), endpoint->bEndpointAddress, buffer, static_cast<int>(room),
            &transferred, transferTimeoutMs(noDataTimeoutMs, completionTimeoutMs));
        size = transferred > 0 ? static_cast<uint32_t>(transferred) : 0;
        return ioReturnFromLibusb(result);
    }

    std::shared_ptr<LibusbDeviceHandle> handle_;
    uint8_t number_;
    uint8_t alternateSetting_;
    std::vector<libusb_endpoint_descriptor> endpoints_;
    bool claimed_ = false;
};

// Whether an interface setting fits a search request (0xFFFF matches anything; without
// a setting asked for, only the first setting of each interface is offered).
bool matches(const IOUSBFindInterfaceRequest& request, const libusb_interface_descriptor& setting,
             int settingIndex) {
    const auto fits = [](uint16_t wanted, uint8_t actual) {
        return wanted == 0xFFFF || wanted == actual;
    };
    const bool settingFits = request.bAlternateSetting == 0xFFFF
                                 ? settingIndex == 0
                                 : request.bAlternateSetting == setting.bAlternateSetting;
    return settingFits && fits(request.bInterfaceClass, setting.bInterfaceClass) &&
           fits(request.bInterfaceSubClass, setting.bInterfaceSubClass) &&
           fits(request.bInterfaceProtocol, setting.bInterfaceProtocol);
}

// An opened device.
class LibusbDeviceLink final : public UsbDeviceLink {
  public:
    explicit LibusbDeviceLink(std::shared_ptr<LibusbDeviceHandle> handle)
        : handle_(std::move(handle)) {
        libusb_get_device_descriptor(handle_->device(), &descriptor_);
    }

    uint16_t vendorId() override { return descriptor_.idVendor; }
    uint16_t productId() override { return descriptor_.idProduct; }

    IOReturn interfaces(const IOUSBFindInterfaceRequest& request,
                        std::vector<std::unique_ptr<UsbInterfaceLink>>& found) override {
        LibusbConfigDescriptor config(handle_->device());
        if (config.status() != success) {
            return config.status();
        }
        for (int i = 0; i < config.get()->bNumInterfaces; ++i) {
            const libusb_interface& interface = config.get()->interface[i];
            for (int s = 0; s < interface.num_altsetting; ++s) {
                if (matches(request, interface.altsetting[s], s)) {
                    found.push_back(
                        std::make_unique<LibusbInterfaceLink>(handle_, interface.altsetting[s]));
                }
            }
        }
        return success;
    }

  private:
    std::shared_ptr<LibusbDeviceHandle> handle_;
    libusb_device_descriptor descriptor_{};
};

// The devices libusb sees through one context.
class LibusbBus final : public UsbBus {
  public:
    LibusbBus() : context_(LibusbContext::create()) {}

    std::vector<UsbDeviceIds> listDevices() override {
        std::vector<UsbDeviceIds> ids;
        LibusbDeviceList list(context_->get());
        for (libusb_device* device : list.devices()) {
            libusb_device_descriptor descriptor{};
            if (libusb_get_device_descriptor(device, &descriptor) == LIBUSB_SUCCESS) {
                ids.push_back({descriptor.idVendor, descriptor.idProduct});
            }
        }
        return ids;
    }

    std::unique_ptr<UsbDeviceLink> openDevice(uint16_t vendor, uint16_t product) override {
        LibusbDeviceList list(context_->get());
        throwIfNotSuccess(list.status(), "func create by matchingDictionary ");
        for (libusb_device* device : list.devices()) {
            libusb_device_descriptor descriptor{};
            if (libusb_get_device_descriptor(device, &descriptor) == LIBUSB_SUCCESS &&
                descriptor.idVendor == vendor && descriptor.idProduct == product) {
                return std::make_unique<LibusbDeviceLink>(
                    std::make_shared<LibusbDeviceHandle>(context_, device));
            }
        }
        throw UsbIOErrorException(UsbIOError::pluginHasNoUsbDeviceInterface);
    }

  private:
    std::shared_ptr<LibusbContext> context_;
};

}  // namespace

std::unique_ptr<UsbBus> openLibusbBus() {
    return std::make_unique<LibusbBus>();
}

}  // namespace scandesk
