// GET requests to many agents at once: one session per request, all received in one
// loop, each keeping its own retransmissions and its own end.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "discovery/snmp_answer.h"
#include "discovery/snmp_options.h"

namespace scandesk {

/// How the peer address is reached.
enum class SnmpPeerKind { Unicast, Broadcast };

/// One GET: to whom, and which variables (each with a null value).
struct SnmpRequest {
    std::string peer;  ///< dotted IPv4 address; the port comes from the options
    SnmpPeerKind kind = SnmpPeerKind::Broadcast;
    std::vector<const char*> identifiers;
};

/// A broadcast request ends after this many waits that brought it no data.
inline constexpr int SNMP_QUIET_WAITS_PER_PROBE = 3;

/// Sends every request and hands every answer to `collector` until each request has
/// ended: a broadcast one after SNMP_QUIET_WAITS_PER_PROBE quiet waits, a unicast one
/// at its first answer or when the library gives up on it; the whole run ends at the
/// options' time limit in any case. A request whose session cannot be opened or whose
/// GET cannot be sent is reported and left out. Takes the library lock: `collector`'s
/// callback must not use net-snmp.
void runSnmpRequests(std::span<const SnmpRequest> requests, const SnmpDiscoveryOptions& options,
                     AnswerCollector& collector);

}  // namespace scandesk
