// The knobs of one SNMP search: agent port and the library's time-out and retries.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>

namespace scandesk {

/// The standard SNMP agent port.
inline constexpr uint16_t SNMP_AGENT_PORT = 161;

/// The longest one probe may listen. A probe normally ends after three quiet waits of at
/// most 1.25 s; the limit ends it even when something keeps sending to it.
inline constexpr std::chrono::milliseconds SNMP_PROBE_TIME_LIMIT_MS{15000};

/// How a discovery or an identification talks to the agents. Empty optionals keep the
/// library's defaults (1 s time-out, 5 retries); tests shorten them.
struct SnmpDiscoveryOptions {
    uint16_t agentPort = SNMP_AGENT_PORT;
    std::optional<std::chrono::milliseconds> timeout;
    std::optional<int> retries;
    std::chrono::milliseconds probeTimeLimit = SNMP_PROBE_TIME_LIMIT_MS;
};

}  // namespace scandesk
