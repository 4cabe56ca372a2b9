// The catalogues of known scanner models.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "devices/device.h"

namespace scandesk {

/// The models that discovery recognises (network and USB).
const std::vector<BaseDevice>& IDDevice();

/// The document-scanner models: reference data, never matched against.
const std::vector<BaseDevice>& KESTDevices();

/// The first row of `IDDevice` with this product ID, if any.
std::optional<BaseDevice> idDeviceByPid(uint16_t pid);

/// The row of either catalogue with this model name (discovery's models first), if any.
std::optional<BaseDevice> catalogueRowNamed(const std::string& name);

}  // namespace scandesk
