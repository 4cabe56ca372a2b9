// Which local IPv4 networks a discovery probes, and at which broadcast address.
#pragma once

#include <ifaddrs.h>

#include <string>
#include <vector>

namespace scandesk {

/// One interface address to probe.
struct ProbeTarget {
    std::string interfaceName;
    std::string address;    ///< the interface's own dotted address
    std::string broadcast;  ///< where its GET goes

    friend bool operator==(const ProbeTarget&, const ProbeTarget&) = default;
};

/// One target per IPv4 interface address of the list, in list order, loopback
/// excepted. The broadcast address is the interface's own, else address | ~netmask,
/// else the address's /24; a point-to-point interface without one is skipped with a
/// diagnostic line.
std::vector<ProbeTarget> probeTargets(const ifaddrs* interfaces);

/// The targets of this machine's interfaces; none (with a diagnostic line) when the
/// interface list cannot be read.
std::vector<ProbeTarget> localProbeTargets();

}  // namespace scandesk
