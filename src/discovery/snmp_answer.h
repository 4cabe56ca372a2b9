// What one agent's answer says, and the scanner it names in the catalogue.
#pragma once

#include <functional>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>

#include "devices/device.h"

namespace scandesk {

/// The object identifiers every probe asks for: sysDescr, sysObjectID, ifPhysAddress.1.
inline constexpr const char* SNMP_SYS_DESCR_OID = ".1.3.6.1.2.1.1.1.0";
inline constexpr const char* SNMP_SYS_OBJECT_ID_OID = ".1.3.6.1.2.1.1.2.0";
inline constexpr const char* SNMP_IF_PHYS_ADDRESS_OID = ".1.3.6.1.2.1.2.2.1.6.1";

/// The community the scanners answer to.
inline constexpr const char* SNMP_DISCOVERY_COMMUNITY = "orvelt";

/// Told of each scanner as soon as its answer is matched.
using DeviceFound = std::function<void(const Device&)>;

/// A catalogue identifier ("53303.4.7.1.52", below the private enterprises arc) as a
/// full numeric object identifier; nothing when it is empty or not dotted numbers.
std::optional<std::vector<oid>> catalogueObjectId(std::string_view dotted);

/// The network Device of the first IDDevice row whose identifier equals `objectId`.
std::optional<Device> matchObjectId(std::span<const oid> objectId, const std::string& address);

/// The answers of one discovery or identification: each agent counts once, however
/// many probes or retransmissions it answers, and each known scanner is reported as it
/// is matched. The library calls it through snmpAnswerCallback.
class AnswerCollector {
  public:
    explicit AnswerCollector(DeviceFound onFound = {}) : onFound_(std::move(onFound)) {}

    /// Takes one answer PDU: records its sender unless already seen, and reports the
    /// scanner its sysObjectID names. Whether the sender was new.
    bool take(const netsnmp_pdu& pdu);

    /// The scanners matched so far, in order of arrival.
    const std::vector<Device>& devices() const { return devices_; }
    /// How many distinct agents answered with a usable sysObjectID (or none at all).
    size_t agents() const { return agents_.size(); }

  private:
    DeviceFound onFound_;
    std::set<std::string> agents_;
    std::vector<Device> devices_;
};

/// The callback context of one request.
struct RequestState {
    AnswerCollector* collector = nullptr;
    bool replied = false;  ///< some answer to this request arrived
    bool closed = false;   ///< the library gave up on the request
};

/// net-snmp response callback; `magic` is the request's RequestState. Always 0, so a
/// broadcast request stays open for further agents. Nothing unwinds into the library.
int snmpAnswerCallback(int operation, netsnmp_session* session, int reqid, netsnmp_pdu* pdu,
                       void* magic) noexcept;

}  // namespace scandesk
