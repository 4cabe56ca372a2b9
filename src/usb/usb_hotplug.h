// Following USB devices as they are attached and removed, with handler calls on the caller's
// executor.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "common/executor.h"
#include "usb/libusb_handles.h"

namespace scandesk {

/// Notification names the observer understands; other names are never delivered.
inline constexpr const char* kUsbDeviceArrived = "deviceArrived";  ///< present and arriving devices
inline constexpr const char* kUsbDeviceLeft = "deviceLeft";        ///< departing devices

/// Which devices an observation follows; an absent ID matches any.
struct UsbMatching {
    std::optional<uint16_t> vendorIdentifier;
    std::optional<uint16_t> productIdentifier;
};

/// One device as a notification names it.
struct UsbService {
    uint16_t vendorIdentifier = 0;
    uint16_t productIdentifier = 0;
    uint8_t busNumber = 0;
    uint8_t deviceAddress = 0;

    friend bool operator==(const UsbService&, const UsbService&) = default;
};

using UsbDeviceListHandler =
    std::function<void(const std::string& notification, const UsbService& service)>;

/// A running observation. Dropping it stops it: no handler call starts afterwards, and
/// the destructor waits for a call in progress on another thread. The executor must
/// outlive the observer and run or drop what was posted to it.
class UsbDeviceListObserver {
  public:
    /// Starts libusb and registers for the named events; devices already present are
    /// delivered first. Throws `IOReturnError` (after its log line) when libusb cannot
    /// start or has no hot-plug support.
    UsbDeviceListObserver(const UsbMatching& matching, const std::set<std::string>& names,
                          Executor& callbackQueue, UsbDeviceListHandler handler);
    ~UsbDeviceListObserver();
    UsbDeviceListObserver(const UsbDeviceListObserver&) = delete;
    UsbDeviceListObserver& operator=(const UsbDeviceListObserver&) = delete;

  private:
    struct Delivery;
    struct Registration;
    static int LIBUSB_CALL onEvent(libusb_context* context, libusb_device* device,
                                   libusb_hotplug_event event, void* registration) noexcept;
    void post(const std::string& name, libusb_device* device);
    void runEvents();

    std::shared_ptr<LibusbContext> context_;
    Executor& callbackQueue_;
    std::shared_ptr<Delivery> delivery_;
    std::vector<std::unique_ptr<Registration>> registrations_;
    std::atomic<bool> stopping_{false};
    std::thread events_;
};

/// Observes the devices that `matching` selects.
std::unique_ptr<UsbDeviceListObserver> observeDeviceList(const UsbMatching& matching,
                                                         const std::set<std::string>& names,
                                                         Executor& queue,
                                                         UsbDeviceListHandler handler);
/// Observes every USB device.
std::unique_ptr<UsbDeviceListObserver> observeDeviceList(const std::set<std::string>& names,
                                                         Executor& queue,
                                                         UsbDeviceListHandler handler);
/// Observes the devices with these IDs.
std::unique_ptr<UsbDeviceListObserver> observeDeviceList(uint16_t vendorIdentifier,
                                                         uint16_t productIdentifier,
                                                         const std::set<std::string>& names,
                                                         Executor& queue,
                                                         UsbDeviceListHandler handler);

/// Whether this libusb reports devices as they come and go.
bool usbHotplugAvailable();

/// Nothing when the bus reports hot-plug events; otherwise logs and throws
/// `IOReturnError(kIOReturnUnsupported)`.
void requireHotplugSupport(bool supported);

}  // namespace scandesk
