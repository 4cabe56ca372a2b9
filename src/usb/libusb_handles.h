// Owners of libusb's context, device list and device handle.
#pragma once

#include <libusb.h>

#include <memory>
#include <span>

#include "usb/io_return.h"

namespace scandesk {

/// One libusb context; exits libusb when the last holder lets go.
class LibusbContext {
  public:
    /// Starts libusb. Logs and throws `IOReturnError` when it cannot start.
    static std::shared_ptr<LibusbContext> create();

    /// Only `create` can make the key, so every context is started through it.
    class Key {
        friend class LibusbContext;
        Key() = default;
    };
    LibusbContext(Key, libusb_context* context) : context_(context) {}
    ~LibusbContext();
    LibusbContext(const LibusbContext&) = delete;
    LibusbContext& operator=(const LibusbContext&) = delete;

    libusb_context* get() const { return context_; }

  private:
    libusb_context* context_;
};

/// The devices libusb lists at one moment, unreferenced when dropped.
class LibusbDeviceList {
  public:
    /// Lists the devices; `status()` tells whether that worked.
    explicit LibusbDeviceList(libusb_context* context);
    ~LibusbDeviceList();
    LibusbDeviceList(const LibusbDeviceList&) = delete;
    LibusbDeviceList& operator=(const LibusbDeviceList&) = delete;

    IOReturn status() const { return status_; }
    std::span<libusb_device* const> devices() const { return {list_, count_}; }

  private:
    libusb_device** list_ = nullptr;
    size_t count_ = 0;
    IOReturn status_ = success;
};

/// An opened device; closed when dropped. Keeps its context alive.
class LibusbDeviceHandle {
  public:
    /// Opens the device; logs and throws `IOReturnError` when it cannot be opened.
    LibusbDeviceHandle(std::shared_ptr<LibusbContext> context, libusb_device* device);
    ~LibusbDeviceHandle();
    LibusbDeviceHandle(const LibusbDeviceHandle&) = delete;
    LibusbDeviceHandle& operator=(const LibusbDeviceHandle&) = delete;

    libusb_device_handle* get() const { return handle_; }
    libusb_device* device() const { return libusb_get_device(handle_); }

  private:
    std::shared_ptr<LibusbContext> context_;
    libusb_device_handle* handle_ = nullptr;
};

/// The active configuration descriptor of a device, freed when dropped.
class LibusbConfigDescriptor {
  public:
    /// Reads the descriptor; `status()` tells whether that worked.
    explicit LibusbConfigDescriptor(libusb_device* device);
    ~LibusbConfigDescriptor();
    LibusbConfigDescriptor(const LibusbConfigDescriptor&) = delete;
    LibusbConfigDescriptor& operator=(const LibusbConfigDescriptor&) = delete;

    IOReturn status() const { return status_; }
    const libusb_config_descriptor* get() const { return config_; }

  private:
    libusb_config_descriptor* config_ = nullptr;
    IOReturn status_ = success;
};

}  // namespace scandesk
