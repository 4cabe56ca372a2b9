// Found scanners as JSON for `scandesk-cli list --json`.
#pragma once

#include <string>
#include <vector>

#include "devices/device.h"

namespace scandesk {

/// A JSON array with one object per device, keyed by the device's field names.
std::string devicesAsJson(const std::vector<Device>& devices);

}  // namespace scandesk
