// Discovery and identification on top of the SNMP low layer.
#include "discovery/snmp_discovery.h"

#include "common/diagnostics.h"
#include "discovery/snmp_library.h"
#include "discovery/snmp_request.h"
#include "network/ipv4_address.h"

namespace scandesk {
namespace {

// Sends the unicast GET and waits for its answer; the result text of that one answer.
std::string queryObjectId(const std::string& ip, const SnmpDiscoveryOptions& options) {
    const auto lock = lockSnmpLibrary();
    DiscoveryContext context;
    const auto session = openDiscoverySession(ip, SnmpPeerKind::Unicast, options, context);
    if (!session) {
        return {};
    }
    if (!sendNullValuedGet(session.get(), {SNMP_SYS_OBJECT_ID_OID})) {
        diag(" send snmp request error ++++++++++++++++++++++++++++++++++++++++++");
        return {};
    }
    // The library reports the end of its retries through the callback; the bound on
    // quiet waits only guards against a request that never ends.
    const int quietWaitLimit = session->retries + 2;
    const auto deadline = std::chrono::steady_clock::now() + options.probeTimeLimit;
    int quietWaits = 0;
    while (context.count == 0 && !context.requestClosed && quietWaits < quietWaitLimit &&
           std::chrono::steady_clock::now() < deadline) {
        if (!receiveOnce()) {
            ++quietWaits;
        }
    }
    std::string result;
    appendDiscoveryRecords(result, context);
    return result;
}

}  // namespace

std::vector<Device> getDeviceBySNMP() {
    return getDeviceBySNMP(SnmpDiscoveryOptions{});
}

std::vector<Device> getDeviceBySNMP(const SnmpDiscoveryOptions& options) {
    std::string result;
    autoDetectSNMPPrinters(result, options);
    diag("snmp discovery result = ", result);
    return devicesFromDiscoveryText(result);
}

std::optional<Device> identifyScanner(const std::string& ip) {
    return identifyScanner(ip, SnmpDiscoveryOptions{});
}

std::optional<Device> identifyScanner(const std::string& ip, const SnmpDiscoveryOptions& options) {
    if (!isDottedIPv4(ip)) {
        diag("snmp identify: not a dotted IPv4 address: ", ip);
        return std::nullopt;
    }
    const std::string result = queryObjectId(ip, options);
    diag("snmp identify result = ", result);
    for (auto& record : parseDiscoveryRecords(result)) {
        // The scanner is known by the address it was asked at, whichever address answers.
        record.address = ip;
        auto devices = matchDiscoveryRecord(record);
        if (!devices.empty()) {
            return devices.front();
        }
    }
    return std::nullopt;
}

}  // namespace scandesk
