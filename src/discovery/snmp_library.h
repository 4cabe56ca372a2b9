// Quiet one-time start of net-snmp and the lock that serialises every use of it.
#pragma once

#include <mutex>
#include <string>

#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>

#include "discovery/snmp_environment.h"

namespace scandesk {

/// Where net-snmp would keep persistent files: a path under which nothing can be created.
inline constexpr const char* SNMP_HARMLESS_PERSISTENT_DIR = "/dev/null";

/// Takes the process-wide net-snmp lock and, the first time, starts the library quietly
/// (the program having called prepareSnmpEnvironment): no MIB modules but the shipped
/// SNMPv2-SMI, no persistent state read or written, the library's own messages routed to
/// the diagnostic sink. net-snmp's session list, MIB tree and parse buffers are not
/// thread-safe, so overlapping searches take turns.
[[nodiscard]] std::unique_lock<std::mutex> lockSnmpLibrary();

/// The library's printed form of an object identifier, e.g.
/// "SNMPv2-SMI::enterprises.53303.4.7.1.52". Call with the lock held.
std::string printObjectId(const oid* name, size_t length);

}  // namespace scandesk
