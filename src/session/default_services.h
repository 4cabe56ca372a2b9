// The model's services wired to the real discovery, transports and imaging.
#pragma once

#include <cstdint>

#include "session/model_services.h"

namespace scandesk {

/// The scanner's TCP port unless told otherwise.
inline constexpr uint16_t kDefaultScannerPort = 54321;

/// SNMP discovery then USB enumeration, SNMP identification, the network transport
/// for devices of type "Net" (at `scannerPort`) and USB for every other type, the
/// imaging functions, a real sleep and the system clock.
ScannerModelServices defaultModelServices(uint16_t scannerPort = kDefaultScannerPort);

}  // namespace scandesk
