// The minimal SNMPv2-SMI module shipped with the program.
#pragma once

#include <string_view>

namespace scandesk {

/// The module text: the standard chain from iso down to enterprises, nothing else.
std::string_view snmpMinimalSmiModule();

/// Loads the module into net-snmp's MIB tree without touching the file system.
/// Call once, after the library has started. Returns whether the module was read.
bool loadSnmpMinimalSmiModule();

}  // namespace scandesk
