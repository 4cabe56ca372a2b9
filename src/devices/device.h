// The record of one found scanner and the catalogue row it is made from.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/uuid.h"
#include "devices/scan_options.h"

namespace scandesk {

/// One known scanner model: a row of a catalogue.
struct BaseDevice {
    std::string name;
    std::string oid;  ///< dotted numbers after "enterprises."; empty for USB-only models
    uint16_t PID = 0;
    uint16_t VID = 0;
    std::vector<ScanSource> scanSource;
    std::vector<int> adfResolution;  ///< dots per inch
    std::vector<int> fbResolution;
    std::vector<PageSize> paperSize;
    bool hasScreen = false;
    bool supportCombine = false;

    friend bool operator==(const BaseDevice&, const BaseDevice&) = default;
};

/// One found scanner. Equality compares every field, `id` first, so two records of two
/// discovery runs for the same scanner are never equal.
struct Device {
    Uuid id;
    std::string name;
    std::string label;
    Transport transport = Transport::usb;
    std::string ip;  ///< dotted IPv4 address; empty for a USB scanner
    uint16_t PID = 0;
    uint16_t VID = 0;
    std::vector<ScanSource> scanSource;
    std::vector<int> adfResolution;  ///< dots per inch
    std::vector<int> fbResolution;
    std::vector<PageSize> paperSize;
    bool hasScreen = false;
    bool supportCombine = false;

    friend bool operator==(const Device&, const Device&) = default;

    /// A USB scanner of the row's model.
    static Device fromUsbRow(const BaseDevice& row);
    /// A network scanner of the row's model answering at `ip`.
    static Device fromNetworkRow(const BaseDevice& row, const std::string& ip);

    /// The resolutions (dots per inch) offered for a source: the flatbed's list for the
    /// flatbed, the feeder's otherwise.
    const std::vector<int>& resolutionsFor(ScanSource source) const {
        return source == ScanSource::flatbed ? fbResolution : adfResolution;
    }
};

/// The maker's USB vendor ID, also given to every network scanner.
inline constexpr uint16_t kMakerVendorId = 0x356C;

}  // namespace scandesk
