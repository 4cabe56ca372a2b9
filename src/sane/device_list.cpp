// Building the backend's scanner entries.
#include "sane/device_list.h"

#include <libusb.h>

#include <algorithm>
#include <memory>

#include "common/diagnostics.h"
#include "devices/catalogue.h"
#include "network/network_scan_options.h"

namespace scandesk::sane {
namespace {

// The maker's name as the catalogue spells it.
constexpr const char* kVendor = "KEST";

// The entry fields a device's model decides.
ScannerEntry entryFor(std::string name, Device device, uint16_t port) {
    ScannerEntry entry;
    entry.name = std::move(name);
    entry.vendor = kVendor;
    entry.model = device.name;
    const auto& sources = device.scanSource;
    entry.type = std::find(sources.begin(), sources.end(), ScanSource::feeder) != sources.end()
                     ? "sheetfed scanner"
                     : "flatbed scanner";
    entry.device = std::move(device);
    entry.port = port;
    return entry;
}

struct ContextDeleter {
    void operator()(libusb_context* context) const { libusb_exit(context); }
};
struct ListDeleter {
    void operator()(libusb_device** list) const { libusb_free_device_list(list, 1); }
};

}  // namespace

bool isNetworkEntry(const ScannerEntry& entry) {
    return entry.name.starts_with("net:");
}

std::string netDeviceName(const std::string& ip, uint16_t port) {
    return "net:" + ip + (port == kScannerPort ? "" : ":" + std::to_string(port));
}

ScannerEntry netEntry(const NetEntry& configured) {
    std::optional<BaseDevice> row =
        configured.model ? catalogueRowNamed(*configured.model) : std::nullopt;
    if (!row) {
        if (configured.model) {
            diagWarning("scandesk.conf: unknown model ", *configured.model, ", taking ",
                        IDDevice().front().name);
        }
        row = IDDevice().front();
    }
    return entryFor(netDeviceName(configured.ip, configured.port),
                    Device::fromNetworkRow(*row, configured.ip), configured.port);
}

ScannerEntry discoveredEntry(const Device& found) {
    return entryFor(netDeviceName(found.ip, kScannerPort), found, kScannerPort);
}

std::vector<ScannerEntry> usbEntries(const std::vector<UsbPlace>& attached) {
    std::vector<ScannerEntry> entries;
    for (const UsbPlace& place : attached) {
        if (place.vendor != kMakerVendorId) {
            continue;
        }
        if (std::optional<BaseDevice> row = idDeviceByPid(place.product)) {
            entries.push_back(
                entryFor("usb:" + std::to_string(place.bus) + ":" + std::to_string(place.address),
                         Device::fromUsbRow(*row), 0));
        }
    }
    return entries;
}

std::vector<UsbPlace> attachedUsbDevices() {
    libusb_context* raw = nullptr;
    if (libusb_init(&raw) != 0) {
        return {};
    }
    std::unique_ptr<libusb_context, ContextDeleter> context(raw);
    libusb_device** rawList = nullptr;
    const ssize_t count = libusb_get_device_list(context.get(), &rawList);
    if (count < 0) {
        return {};
    }
    std::unique_ptr<libusb_device*, ListDeleter> list(rawList);
    std::vector<UsbPlace> places;
    for (ssize_t i = 0; i < count; ++i) {
        libusb_device_descriptor descriptor{};
        if (libusb_get_device_descriptor(list.get()[i], &descriptor) == 0) {
            places.push_back({libusb_get_bus_number(list.get()[i]),
                              libusb_get_device_address(list.get()[i]), descriptor.idVendor,
                              descriptor.idProduct});
        }
    }
    return places;
}

}  // namespace scandesk::sane
