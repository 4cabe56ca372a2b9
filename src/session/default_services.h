// The model's services wired to the real discovery, transports and imaging.
#pragma once

#include <cstdint>

#include "network/network_scan_options.h"
#include "session/model_services.h"

namespace scandesk {

/// SNMP discovery then USB enumeration, SNMP identification, the network transport
/// for devices of type "Net" (at `scannerPort`, with the communicator's time limits) and
/// USB for every other type, the imaging functions, a real sleep and the system clock.
ScannerModelServices defaultModelServices(uint16_t scannerPort = kScannerPort,
                                          CommunicatorLimits limits = {});

}  // namespace scandesk
