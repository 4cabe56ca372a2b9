// Finding the supported network scanners by SNMP, and identifying one by its address.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "devices/device.h"
#include "discovery/snmp_answer.h"
#include "discovery/snmp_interfaces.h"
#include "discovery/snmp_options.h"

namespace scandesk {

/// Broadcasts one SNMP GET per local IPv4 interface (loopback excepted) to its
/// broadcast address, all at once, and returns a "Net" Device for every agent whose
/// sysObjectID matches IDDevice, one per agent. `onFound` (if set) is told of each as
/// soon as it is matched, on this thread, with the SNMP library locked. Blocks for the
/// whole search (about 3 s with the library defaults, however many interfaces).
std::vector<Device> getDeviceBySNMP();
std::vector<Device> getDeviceBySNMP(const SnmpDiscoveryOptions& options,
                                    const DeviceFound& onFound = {});

/// The same over the given targets instead of this machine's interfaces.
std::vector<Device> discoverScanners(const std::vector<ProbeTarget>& targets,
                                     const SnmpDiscoveryOptions& options,
                                     const DeviceFound& onFound = {});

/// Asks the agent at the dotted IPv4 address `ip` for its sysObjectID (one unicast GET)
/// and returns the matching Device, or nothing when it does not answer, answers with an
/// unknown identifier, or `ip` is not a dotted IPv4 address. With identificationOptions
/// a silent address is given up after 1.5 s.
std::optional<Device> identifyScanner(const std::string& ip);
std::optional<Device> identifyScanner(const std::string& ip, const SnmpDiscoveryOptions& options);

}  // namespace scandesk
