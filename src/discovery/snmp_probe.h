// The low layer of SNMP discovery: one broadcast GET per IPv4 interface, answers
// collected into a result text of "address,identifier|" records.
#pragma once

#include <string>
#include <vector>

#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>

#include "discovery/snmp_options.h"

namespace scandesk {

/// One answering agent of a probe.
struct DetectedPrinter {
    std::string ip_addr;  ///< dotted IPv4 address of the responder
    std::string oid;      ///< printed sysObjectID; empty when the answer carried none
};

/// What the response callback of one probe fills in.
struct DiscoveryContext {
    int count = 0;                        ///< responders added so far
    std::vector<DetectedPrinter> detect;  ///< responders in order of arrival
    bool requestClosed = false;           ///< the library gave up on the request
};

/// The object identifiers every probe asks for: sysDescr, sysObjectID, ifPhysAddress.1.
inline constexpr const char* SNMP_SYS_DESCR_OID = ".1.3.6.1.2.1.1.1.0";
inline constexpr const char* SNMP_SYS_OBJECT_ID_OID = ".1.3.6.1.2.1.1.2.0";
inline constexpr const char* SNMP_IF_PHYS_ADDRESS_OID = ".1.3.6.1.2.1.2.2.1.6.1";

/// The community the scanners answer to.
inline constexpr const char* SNMP_DISCOVERY_COMMUNITY = "orvelt";

/// Probes every IPv4 interface but 127.0.0.1 and appends the records of all answers to
/// `result`. Always 0.
int autoDetectSNMPPrinters(std::string& result, const SnmpDiscoveryOptions& options = {});

/// Broadcasts one GET to `broadcast` and appends one record per answering agent.
/// 0 after a completed probe, -1 when the session could not be opened or the request
/// could not be sent.
int detectOneSubNet(std::string& result, const std::string& broadcast,
                    const SnmpDiscoveryOptions& options = {});

/// net-snmp response callback: records each new responder in the DiscoveryContext
/// passed as `magic`. Always 0, so that the broadcast request stays open for others;
/// a failure inside is written as a diagnostic line, never thrown into the library.
int mc_network_discovery_cb(int operation, netsnmp_session* session, int reqid, netsnmp_pdu* pdu,
                            void* magic) noexcept;

/// The /24 broadcast address of a dotted IPv4 address: "192.168.1.23" gives
/// "192.168.1.255". The netmask is not consulted.
std::string ip2brocast(const std::string& address);

/// Appends "address,identifier|" for every responder of the context, in order.
void appendDiscoveryRecords(std::string& result, const DiscoveryContext& context);

}  // namespace scandesk
