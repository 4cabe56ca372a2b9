// Building device records from catalogue rows.
#include "devices/device.h"

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
    device.transport = Transport::usb;
    device.VID = row.VID;
    return device;
}

Device Device::fromNetworkRow(const BaseDevice& row, const std::string& ip) {
    Device device = fromRow(row);
    device.label = row.name + "(" + ip + ")";
    device.transport = Transport::network;
    device.ip = ip;
    device.VID = kMakerVendorId;
    return device;
}

}  // namespace scandesk
