// The supported scanners attached by USB, found by one walk over the attached devices.
#pragma once

#include <vector>

#include "devices/device.h"
#include "usb/usb_link.h"

namespace scandesk {

/// One `Device` per attached device whose IDs match an `IDDevice` row, in the bus's
/// order. Never fails: when the USB stack cannot start the list is empty.
std::vector<Device> getDeviceByIOUSB();

/// The same over the bus that `openBus` makes.
std::vector<Device> getDeviceByIOUSB(const UsbBusFactory& openBus);

}  // namespace scandesk
