// Following USB devices as they are attached and removed, with handler calls on the caller's
// executor.
#include "usb/usb_hotplug.h"

#include <chrono>
#include <mutex>

#include "usb/usb_error.h"

namespace scandesk {
namespace {

// How long the event thread waits for bus events before it looks at its stop flag.
constexpr std::chrono::milliseconds kEventWaitTimeout{200};

// An ID as libusb's matching takes it: the value, or "any" when absent.
int matchValue(const std::optional<uint16_t>& id) {
    return id ? static_cast<int>(*id) : LIBUSB_HOTPLUG_MATCH_ANY;
}

}  // namespace

// What posted handler calls share with the observer: cleared when it goes away.
struct UsbDeviceListObserver::Delivery {
    std::recursive_mutex mutex;
    bool active = true;
    UsbDeviceListHandler handler;
};

// One registered event kind, handed to libusb as the callback's user data.
struct UsbDeviceListObserver::Registration {
    UsbDeviceListObserver* observer = nullptr;
    std::string name;
    libusb_hotplug_callback_handle handle = 0;
};

UsbDeviceListObserver::UsbDeviceListObserver(const UsbMatching& matching,
                                             const std::set<std::string>& names,
                                             Executor& callbackQueue, UsbDeviceListHandler handler)
    : context_(LibusbContext::create()),
      callbackQueue_(callbackQueue),
      delivery_(std::make_shared<Delivery>()) {
    requireHotplugSupport(usbHotplugAvailable());
    delivery_->handler = std::move(handler);
    for (const std::string& name : names) {
        libusb_hotplug_event event;
        int flags = 0;
        if (name == kUsbDeviceArrived) {
            event = LIBUSB_HOTPLUG_EVENT_DEVICE_ARRIVED;
            flags = LIBUSB_HOTPLUG_ENUMERATE;  // devices already present come first
        } else if (name == kUsbDeviceLeft) {
            event = LIBUSB_HOTPLUG_EVENT_DEVICE_LEFT;
        } else {
            continue;
        }
        auto registration = std::make_unique<Registration>();
        registration->observer = this;
        registration->name = name;
        const int code = libusb_hotplug_register_callback(
            context_->get(), event, static_cast<libusb_hotplug_flag>(flags),
            matchValue(matching.vendorIdentifier), matchValue(matching.productIdentifier),
            LIBUSB_HOTPLUG_MATCH_ANY, &UsbDeviceListObserver::onEvent, registration.get(),
            &registration->handle);
        throwIfNotSuccess(ioReturnFromLibusb(code), "func observeDeviceList ");
        registrations_.push_back(std::move(registration));
    }
    if (!registrations_.empty()) {
        events_ = std::thread(&UsbDeviceListObserver::runEvents, this);
    }
}

UsbDeviceListObserver::~UsbDeviceListObserver() {
    {
        // Waits for a call in progress elsewhere; a handler that drops its own token passes.
        std::lock_guard lock(delivery_->mutex);
        delivery_->active = false;
    }
    stopping_ = true;
    for (const auto& registration : registrations_) {
        libusb_hotplug_deregister_callback(context_->get(), registration->handle);
    }
    libusb_interrupt_event_handler(context_->get());
    if (events_.joinable()) {
        events_.join();
    }
}

int LIBUSB_CALL UsbDeviceListObserver::onEvent(libusb_context*, libusb_device* device,
                                               libusb_hotplug_event, void* registration) noexcept {
    // Called from inside libusb: nothing may unwind through its C frames.
    guarded("usb hotplug callback", [&] {
        auto* self = static_cast<Registration*>(registration);
        self->observer->post(self->name, device);
    });
    return 0;  // stay registered
}

void UsbDeviceListObserver::post(const std::string& name, libusb_device* device) {
    UsbService service;
    libusb_device_descriptor descriptor{};
    if (libusb_get_device_descriptor(device, &descriptor) == LIBUSB_SUCCESS) {
        service.vendorIdentifier = descriptor.idVendor;
        service.productIdentifier = descriptor.idProduct;
    }
    service.busNumber = libusb_get_bus_number(device);
    service.deviceAddress = libusb_get_device_address(device);
    callbackQueue_.post([delivery = delivery_, name, service] {
        std::lock_guard lock(delivery->mutex);
        if (delivery->active) {
            delivery->handler(name, service);
        }
    });
}

void UsbDeviceListObserver::runEvents() {
    const auto micros = std::chrono::duration_cast<std::chrono::microseconds>(kEventWaitTimeout);
    while (!stopping_) {
        timeval wait{0, static_cast<suseconds_t>(micros.count())};
        libusb_handle_events_timeout_completed(context_->get(), &wait, nullptr);
    }
}

std::unique_ptr<UsbDeviceListObserver> observeDeviceList(const UsbMatching& matching,
                                                         const std::set<std::string>& names,
                                                         Executor& queue,
                                                         UsbDeviceListHandler handler) {
    return std::make_unique<UsbDeviceListObserver>(matching, names, queue, std::move(handler));
}

std::unique_ptr<UsbDeviceListObserver> observeDeviceList(const std::set<std::string>& names,
                                                         Executor& queue,
                                                         UsbDeviceListHandler handler) {
    return observeDeviceList(UsbMatching{}, names, queue, std::move(handler));
}

std::unique_ptr<UsbDeviceListObserver> observeDeviceList(uint16_t vendorIdentifier,
                                                         uint16_t productIdentifier,
                                                         const std::set<std::string>& names,
                                                         Executor& queue,
                                                         UsbDeviceListHandler handler) {
    return observeDeviceList(UsbMatching{vendorIdentifier, productIdentifier}, names, queue,
                             std::move(handler));
}

bool usbHotplugAvailable() {
    return libusb_has_capability(LIBUSB_CAP_HAS_HOTPLUG) != 0;
}

void requireHotplugSupport(bool supported) {
    throwIfNotSuccess(supported ? success : kIOReturnUnsupported, "func observeDeviceList ");
}

}  // namespace scandesk
