// The scanners the backend offers: configured network scanners, USB catalogue models and,
// when asked for, those an SNMP discovery finds.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "devices/device.h"
#include "sane/backend_config.h"

namespace scandesk::sane {

/// One scanner as a SANE frontend sees it, with what a scan needs to reach it.
struct ScannerEntry {
    std::string name;  ///< "net:IP[:PORT]" or "usb:BUS:DEV"
    std::string vendor;
    std::string model;
    std::string type;  ///< "sheetfed scanner" or "flatbed scanner"
    Device device;
    uint16_t port = 0;  ///< network scanners only
};

/// A USB scanner's place on the bus and its IDs.
struct UsbPlace {
    int bus = 0;
    int address = 0;
    uint16_t vendor = 0;
    uint16_t product = 0;
};

/// Whether the entry is a network scanner (else a USB one).
bool isNetworkEntry(const ScannerEntry& entry);

/// The SANE device name of a network scanner; the port only when it is not the default.
std::string netDeviceName(const std::string& ip, uint16_t port);

/// The entry of a configured network scanner: its named model (either catalogue), else
/// the first row of IDDevice.
ScannerEntry netEntry(const NetEntry& configured);

/// The entry of a device a discovery found at the default port.
ScannerEntry discoveredEntry(const Device& found);

/// Entries for the attached devices that match an IDDevice row.
std::vector<ScannerEntry> usbEntries(const std::vector<UsbPlace>& attached);

/// The attached USB devices, through libusb; empty when USB cannot start.
std::vector<UsbPlace> attachedUsbDevices();

}  // namespace scandesk::sane
