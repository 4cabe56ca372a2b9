// What the programs do about net-snmp before they start any thread.
#pragma once

namespace scandesk {

/// Empties the MIB module list net-snmp reads from the environment, so that starting the
/// library loads no modules (see lockSnmpLibrary). Call once at the start of `main`,
/// before any thread exists: changing the environment is not safe while others run.
void prepareSnmpEnvironment();

}  // namespace scandesk
