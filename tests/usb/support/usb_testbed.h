// An emulated USB bus for tests: umockdev shows libusb the devices attached here, with
// their descriptors, and sends the hot-plug events. No transfers.
#pragma once

#include <umockdev.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>

namespace scandesk::testing {

class UsbTestbed {
  public:
    /// Create it before libusb starts; the tests run under umockdev's preload library.
    UsbTestbed() {
        const char* preload = std::getenv("LD_PRELOAD");
        // Without the preload library libusb would look at the machine's real bus.
        if (preload == nullptr || std::strstr(preload, "umockdev") == nullptr) {
            throw std::runtime_error("run under LD_PRELOAD=libumockdev-preload.so.0");
        }
        testbed_ = umockdev_testbed_new();
    }
    ~UsbTestbed() { g_object_unref(testbed_); }
    UsbTestbed(const UsbTestbed&) = delete;
    UsbTestbed& operator=(const UsbTestbed&) = delete;

    /// Attaches a device with one vendor interface (an "add" event is sent); returns its
    /// sysfs path for `unplug`.
    std::string attach(uint16_t vendor, uint16_t product) {
        const int number = nextDevnum_++;
        char text[512];
        std::snprintf(text, sizeof(text),
                      "P: /devices/pci0000:00/usb1/1-%d\nN: bus/usb/001/%03d\nE: SUBSYSTEM=usb\n"
                      "E: DEVTYPE=usb_device\nE: DEVNAME=/dev/bus/usb/001/%03d\nA: busnum=1\n"
                      "A: devnum=%d\nA: bConfigurationValue=1\nA: speed=480\nH: descriptors="
                      "1201000200000040%02x%02x%02x%02x000100000001"
                      "0902120001010080320904000000ff000000\n",
                      number, number, number, number, vendor & 0xFF, vendor >> 8, product & 0xFF,
                      product >> 8);
        GError* error = nullptr;
        if (!umockdev_testbed_add_from_string(testbed_, text, &error)) {
            const std::string message = error != nullptr ? error->message : "unknown";
            g_clear_error(&error);
            throw std::runtime_error("umockdev could not add the device: " + message);
        }
        return "/sys/devices/pci0000:00/usb1/1-" + std::to_string(number);
    }

    /// Sends the "remove" event and takes the device off the bus.
    void unplug(const std::string& path) {
        umockdev_testbed_uevent(testbed_, path.c_str(), "remove");
        umockdev_testbed_remove_device(testbed_, path.c_str());
    }

  private:
    UMockdevTestbed* testbed_ = nullptr;
    int nextDevnum_ = 2;
};

}  // namespace scandesk::testing
