// Owners of libusb's context, device list and device handle.
#include "usb/libusb_handles.h"

#include "usb/usb_error.h"

namespace scandesk {

std::shared_ptr<LibusbContext> LibusbContext::create() {
    libusb_context* context = nullptr;
    throwIfNotSuccess(ioReturnFromLibusb(libusb_init(&context)), "func libusb_init ");
    return std::make_shared<LibusbContext>(Key(), context);
}

LibusbContext::~LibusbContext() {
    libusb_exit(context_);
}

LibusbDeviceList::LibusbDeviceList(libusb_context* context) {
    const ssize_t count = libusb_get_device_list(context, &list_);
    if (count < 0) {
        list_ = nullptr;
        status_ = ioReturnFromLibusb(static_cast<int>(count));
        return;
    }
    count_ = static_cast<size_t>(count);
}

LibusbDeviceList::~LibusbDeviceList() {
    if (list_ != nullptr) {
        libusb_free_device_list(list_, 1);
    }
}

LibusbDeviceHandle::LibusbDeviceHandle(std::shared_ptr<LibusbContext> context,
                                       libusb_device* device)
    : context_(std::move(context)) {
    throwIfNotSuccess(ioReturnFromLibusb(libusb_open(device, &handle_)), "func create ");
}

LibusbDeviceHandle::~LibusbDeviceHandle() {
    libusb_close(handle_);
}

LibusbConfigDescriptor::LibusbConfigDescriptor(libusb_device* device) {
    status_ = ioReturnFromLibusb(libusb_get_active_config_descriptor(device, &config_));
    if (status_ != success) {
        config_ = nullptr;
    }
}

LibusbConfigDescriptor::~LibusbConfigDescriptor() {
    if (config_ != nullptr) {
        libusb_free_config_descriptor(config_);
    }
}

}  // namespace scandesk
