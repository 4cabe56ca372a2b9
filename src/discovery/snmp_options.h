// The knobs of one SNMP search: agent port and the library's time-out and retries.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>

namespace scandesk {

/// The standard SNMP agent port.
inline constexpr uint16_t SNMP_AGENT_PORT = 161;

/// The longest a discovery may listen. Each probe normally ends after three quiet waits
/// of at most 1.25 s; the limit ends the run even when something keeps sending to it.
inline constexpr std::chrono::milliseconds SNMP_PROBE_TIME_LIMIT_MS{15000};

/// Upper bound of one wait of a probe; the library shortens it to the next
/// retransmission time of the probe's request.
inline constexpr std::chrono::milliseconds SNMP_RECEIVE_WAIT_LIMIT_MS{1250};

/// How a discovery or an identification talks to the agents. Empty optionals keep the
/// library's defaults (1 s time-out, 5 retries); tests shorten them.
struct SnmpDiscoveryOptions {
    uint16_t agentPort = SNMP_AGENT_PORT;
    std::optional<std::chrono::milliseconds> timeout;
    std::optional<int> retries;
    std::chrono::milliseconds probeTimeLimit = SNMP_PROBE_TIME_LIMIT_MS;
};

/// Identification by address gives a silent address 3 × 0.5 s: a scanner on the local
/// network answers within milliseconds, and the user is waiting.
inline SnmpDiscoveryOptions identificationOptions() {
    SnmpDiscoveryOptions options;
    options.timeout = std::chrono::milliseconds(500);
    options.retries = 2;
    return options;
}

}  // namespace scandesk
