// Finding the supported network scanners by SNMP, and identifying one by its address.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "devices/device.h"
#include "discovery/snmp_options.h"
#include "discovery/snmp_probe.h"
#include "discovery/snmp_result_text.h"

namespace scandesk {

/// Broadcasts one SNMP GET per local IPv4 interface (loopback excepted) to its /24 subnet
/// and returns a "Net" Device for every answer whose sysObjectID matches IDDevice.
/// Blocks for the whole search (about 3 s per interface with the library defaults).
std::vector<Device> getDeviceBySNMP();
std::vector<Device> getDeviceBySNMP(const SnmpDiscoveryOptions& options);

/// Asks the agent at the dotted IPv4 address `ip` for its sysObjectID (one unicast GET)
/// and returns the matching Device, or nothing when it does not answer, answers with an
/// unknown identifier, or `ip` is not a dotted IPv4 address.
std::optional<Device> identifyScanner(const std::string& ip);
std::optional<Device> identifyScanner(const std::string& ip, const SnmpDiscoveryOptions& options);

}  // namespace scandesk
