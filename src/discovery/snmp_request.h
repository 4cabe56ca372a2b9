// One SNMP GET in flight: its session, the request and the receive loop around it.
#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "discovery/snmp_options.h"
#include "discovery/snmp_probe.h"

namespace scandesk {

/// Upper bound of one wait of the receive loop; the library shortens it to the next
/// retransmission time of the pending request.
inline constexpr std::chrono::milliseconds SNMP_RECEIVE_WAIT_LIMIT_MS{1250};

/// How the peer address is reached.
enum class SnmpPeerKind { Unicast, Broadcast };

/// Closes a session opened with snmp_open.
struct SnmpSessionCloser {
    void operator()(netsnmp_session* session) const;
};
using SnmpSessionHandle = std::unique_ptr<netsnmp_session, SnmpSessionCloser>;

/// Opens an SNMPv2c session with the discovery community to `address` on the options'
/// port, delivering answers to mc_network_discovery_cb with `context`. On failure writes
/// "ack: <library error>" and returns null. Call with the library lock held; `context`
/// must outlive the session.
SnmpSessionHandle openDiscoverySession(const std::string& address, SnmpPeerKind kind,
                                       const SnmpDiscoveryOptions& options,
                                       DiscoveryContext& context);

/// Sends one GET carrying a null value for each identifier that parses. False when the
/// library refused the request.
bool sendNullValuedGet(netsnmp_session* session, const std::vector<const char*>& identifiers);

/// One wait of the receive loop: reads and dispatches answers when data arrives (true),
/// otherwise lets the library retransmit or expire the request (false).
bool receiveOnce();

}  // namespace scandesk
