// The supported scanners attached by USB, found by one walk over the attached devices.
#include "discovery/usb_enumeration.h"

#include "common/diagnostics.h"
#include "devices/catalogue.h"
#include "usb/usb_error.h"

namespace scandesk {

std::vector<Device> getDeviceByIOUSB() {
    return getDeviceByIOUSB(openLibusbBus);
}

std::vector<Device> getDeviceByIOUSB(const UsbBusFactory& openBus) {
    std::vector<Device> found;
    std::vector<UsbDeviceIds> attached;
    try {
        attached = openBus()->listDevices();
    } catch (const std::exception& error) {
        diagWarning("usb enumeration unavailable. error = ", errorLogValue(error));
        return found;
    }
    for (const UsbDeviceIds& ids : attached) {
        diagDebug(" find device pid = ", ids.product, " and vid = ", ids.vendor);
        if (ids.vendor != kMakerVendorId) {
            continue;
        }
        // Every row is examined; the rows have distinct product IDs.
        for (const BaseDevice& row : IDDevice()) {
            if (row.PID == ids.product) {
                found.push_back(Device::fromUsbRow(row));
                diagInfo(" find kest device  pid = ", ids.product, " and vid = ", kMakerVendorId,
                         ",and name = ", row.name);
            }
        }
    }
    return found;
}

}  // namespace scandesk
