// Building device records from catalogue rows, and hashing them.
#include "devices/device.h"

#include "common/hashing.h"

namespace scandesk {
namespace {

Device fromRow(const BaseDevice& row) {
    Device device;
    device.id = Uuid::random();
    device.name = row.name;
    device.PID = row.PID;
    device.scanSource = row.scanSource;
    device.adfResolution = row.adfResolution;
    device.fbResolution = row.fbResolution;
    device.paperSize = row.paperSize;
    device.hasScreen = row.hasScreen;
    device.supportCombine = row.supportCombine;
    return device;
}

}  // namespace

Device Device::fromUsbRow(const BaseDevice& row) {
    Device device = fromRow(row);
    device.label = row.name;
    device.type = "USB";
    device.VID = row.VID;
    return device;
}

Device Device::fromNetworkRow(const BaseDevice& row, const std::string& ip) {
    Device device = fromRow(row);
    device.label = row.name + "(" + ip + ")";
    device.type = "Net";
    device.ip = ip;
    device.VID = kMakerVendorId;
    return device;
}

}  // namespace scandesk

size_t std::hash<scandesk::Device>::operator()(const scandesk::Device& d) const noexcept {
    size_t seed = 0;
    using scandesk::hashCombine;
    hashCombine(seed, d.id);
    hashCombine(seed, d.name);
    hashCombine(seed, d.label);
    hashCombine(seed, d.type);
    hashCombine(seed, d.ip);
    hashCombine(seed, d.PID);
    hashCombine(seed, d.VID);
    hashCombine(seed, d.scanSource);
    hashCombine(seed, d.adfResolution);
    hashCombine(seed, d.fbResolution);
    hashCombine(seed, d.paperSize);
    hashCombine(seed, d.hasScreen);
    hashCombine(seed, d.supportCombine);
    return seed;
}
