// The virtual scanner's SNMP agent: answers discovery and identification like a scanner.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>

#include "devices/device.h"

namespace scandesk::emulator {

/// The catalogue row the agent claims to be: the row named `name` among the models
/// discovery matches (it must have an identifier), or with an empty name the first one.
std::optional<BaseDevice> snmpModelRow(const std::string& name);

/// The names of the models the agent can claim, comma-separated.
std::string snmpModelNames();

/// Answers SNMPv2c GET requests of the discovery community, unicast and broadcast, on
/// one UDP port of every address: sysObjectID of the model, sysDescr and ifPhysAddress.1;
/// any other variable is noSuchObject. Other communities and PDU types get no answer.
class SnmpAgent {
  public:
    /// An agent for `model` (a row with an identifier), not yet listening, that waits
    /// `answerDelay` before each answer (a slow scanner).
    explicit SnmpAgent(const BaseDevice& model,
                       std::chrono::milliseconds answerDelay = std::chrono::milliseconds(0));
    ~SnmpAgent();
    SnmpAgent(const SnmpAgent&) = delete;
    SnmpAgent& operator=(const SnmpAgent&) = delete;

    /// Binds the port; false (with `error` set) when it cannot. The program must have
    /// called prepareSnmpEnvironment first.
    bool listen(uint16_t port, std::string& error);

    /// Answers requests until `stop` is requested.
    void serve(std::stop_token stop);

    /// Builds the answer to one request PDU; null when it gets none. Public for the
    /// tests; call with the library lock held.
    struct PduFree {
        void operator()(netsnmp_pdu* pdu) const;
    };
    std::unique_ptr<netsnmp_pdu, PduFree> answerTo(const netsnmp_pdu& request) const;

    std::chrono::milliseconds answerDelay() const { return answerDelay_; }

  private:
    netsnmp_session* session_ = nullptr;
    std::string description_;
    std::vector<unsigned long> objectId_;
    std::chrono::milliseconds answerDelay_;
};

}  // namespace scandesk::emulator
