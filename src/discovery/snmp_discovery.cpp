// Discovery and identification on top of the concurrent requests.
#include "discovery/snmp_discovery.h"

#include "common/diagnostics.h"
#include "devices/catalogue.h"
#include "discovery/snmp_probe.h"
#include "network/ipv4_address.h"

namespace scandesk {

std::vector<Device> getDeviceBySNMP() {
    return getDeviceBySNMP(SnmpDiscoveryOptions{});
}

std::vector<Device> getDeviceBySNMP(const SnmpDiscoveryOptions& options,
                                    const DeviceFound& onFound) {
    return discoverScanners(localProbeTargets(), options, onFound);
}

std::vector<Device> discoverScanners(const std::vector<ProbeTarget>& targets,
                                     const SnmpDiscoveryOptions& options,
                                     const DeviceFound& onFound) {
    std::vector<SnmpRequest> requests;
    for (const auto& target : targets) {
        requests.push_back(
            SnmpRequest{target.broadcast,
                        SnmpPeerKind::Broadcast,
                        {SNMP_SYS_DESCR_OID, SNMP_SYS_OBJECT_ID_OID, SNMP_IF_PHYS_ADDRESS_OID}});
    }
    AnswerCollector collector(onFound);
    runSnmpRequests(requests, options, collector);
    diagInfo("snmp discovery: ", collector.agents(), " agent(s) answered, ",
             collector.devices().size(), " scanner(s) found");
    return collector.devices();
}

std::optional<Device> identifyScanner(const std::string& ip) {
    return identifyScanner(ip, identificationOptions());
}

std::optional<Device> identifyScanner(const std::string& ip, const SnmpDiscoveryOptions& options) {
    if (!isDottedIPv4(ip)) {
        diagWarning("snmp identify: not a dotted IPv4 address: ", ip);
        return std::nullopt;
    }
    const SnmpRequest request{ip, SnmpPeerKind::Unicast, {SNMP_SYS_OBJECT_ID_OID}};
    AnswerCollector collector;
    runSnmpRequests({&request, 1}, options, collector);
    if (collector.devices().empty()) {
        diagWarning("snmp identify: no known scanner answered at ", ip);
        return std::nullopt;
    }
    // The scanner is known by the address it was asked at, whichever address answers.
    for (const auto& row : IDDevice()) {
        if (row.name == collector.devices().front().name) {
            return Device::fromNetworkRow(row, ip);
        }
    }
    return std::nullopt;
}

}  // namespace scandesk
