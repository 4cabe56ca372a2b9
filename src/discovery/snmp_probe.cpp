// Broadcast probes of the local subnets and the callback that collects the answers.
#include "discovery/snmp_probe.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <netinet/in.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <optional>

#include "common/diagnostics.h"
#include "common/executor.h"
#include "discovery/snmp_library.h"
#include "discovery/snmp_request.h"

namespace scandesk {
namespace {

// A probe ends after this many waits that brought no data.
constexpr int EMPTY_WAITS_PER_PROBE = 3;

constexpr const char* LOOPBACK_ADDRESS = "127.0.0.1";

// Releases an interface list from getifaddrs.
struct InterfaceListFree {
    void operator()(ifaddrs* list) const { freeifaddrs(list); }
};

// The dotted IPv4 address the answer came from, if the library recorded one.
std::optional<std::string> responderAddress(const netsnmp_pdu& pdu) {
    if (pdu.transport_data == nullptr ||
        pdu.transport_data_length < static_cast<int>(sizeof(netsnmp_sockaddr_storage))) {
        return std::nullopt;
    }
    const auto* pair = static_cast<const netsnmp_indexed_addr_pair*>(pdu.transport_data);
    if (pair->remote_addr.sa.sa_family != AF_INET) {
        return std::nullopt;
    }
    char text[INET_ADDRSTRLEN] = {};
    if (inet_ntop(AF_INET, &pair->remote_addr.sin.sin_addr, text, sizeof text) == nullptr) {
        return std::nullopt;
    }
    return std::string(text);
}

// What an answer says its sysObjectID is: the printed identifier, an empty text when the
// variable is missing, or nothing when the value is not an object identifier.
std::optional<std::string> answeredObjectId(const netsnmp_pdu& pdu) {
    oid name[MAX_OID_LEN];
    size_t length = MAX_OID_LEN;
    if (read_objid(SNMP_SYS_OBJECT_ID_OID, name, &length) == 0) {
        return std::string();
    }
    const netsnmp_variable_list* variable = find_varbind_in_list(pdu.variables, name, length);
    if (variable == nullptr) {
        return std::string();
    }
    if (variable->type != ASN_OBJECT_ID || variable->val.objid == nullptr) {
        return std::nullopt;
    }
    return printObjectId(variable->val.objid, variable->val_len / sizeof(oid));
}

// Appends a responder to the context's list with the list's diagnostic lines.
void addResponder(DiscoveryContext& context, DetectedPrinter printer) {
    if (context.detect.empty()) {
        diagf("snmp_ip = %s\n", printer.ip_addr.c_str());
        diagf("oid = %s\n", printer.oid.c_str());
    } else {
        for (size_t i = 1; i < context.detect.size(); ++i) {
            diagf("in loop ip->ip_addr = %s\n", context.detect[i].ip_addr.c_str());
        }
    }
    context.detect.push_back(std::move(printer));
    ++context.count;
}

// The work of the response callback, which may throw.
int recordAnswer(int operation, netsnmp_pdu* pdu, void* magic) {
    diag(" execute in function mc_network_discovery_cb +++++++++++++++++");
    auto* context = static_cast<DiscoveryContext*>(magic);
    if (context == nullptr) {
        return 0;
    }
    if (operation == NETSNMP_CALLBACK_OP_TIMED_OUT) {
        context->requestClosed = true;
    }
    if (operation != NETSNMP_CALLBACK_OP_RECEIVED_MESSAGE || pdu == nullptr) {
        return 0;
    }
    const auto responder = responderAddress(*pdu);
    if (!responder) {
        diag(" responder == NULL");
        diagf(" add %d printer", context->count);
        return 0;
    }
    diagf("ip_addr = %s \n", responder->c_str());
    if (context->detect.empty()) {
        diag("magic->detect is null");
    }
    for (const auto& printer : context->detect) {
        if (printer.ip_addr == *responder) {
            diagf("ip %s  is already handled!", responder->c_str());
            diagf(" add %d printer", context->count);
            return 0;
        }
    }
    auto objectId = answeredObjectId(*pdu);
    if (!objectId) {
        diagf(" add %d printer", context->count);
        return 0;
    }
    diagf("device is : %s \n", objectId->c_str());
    addResponder(*context, DetectedPrinter{*responder, std::move(*objectId)});
    diagf(" add %d printer", context->count);
    return 0;
}

}  // namespace

std::string ip2brocast(const std::string& address) {
    size_t end = 0;
    for (int dots = 0; dots < 3; ++dots) {
        const size_t dot = address.find('.', end);
        if (dot == std::string::npos) {
            end = address.size();
            break;
        }
        end = dot + 1;
    }
    return address.substr(0, end) + "255";
}

void appendDiscoveryRecords(std::string& result, const DiscoveryContext& context) {
    for (const auto& printer : context.detect) {
        result += printer.ip_addr;
        result += ',';
        result += printer.oid;
        result += '|';
    }
}

int mc_network_discovery_cb(int operation, netsnmp_session* /*session*/, int /*reqid*/,
                            netsnmp_pdu* pdu, void* magic) noexcept {
    // Called from inside net-snmp: nothing may unwind through its C frames.
    return guarded(
        "snmp response callback", [&] { return recordAnswer(operation, pdu, magic); }, 0);
}

int detectOneSubNet(std::string& result, const std::string& broadcast,
                    const SnmpDiscoveryOptions& options) {
    const auto lock = lockSnmpLibrary();
    diagf("brocast sub net ip = %s\n", broadcast.c_str());
    DiscoveryContext context;
    const auto session = openDiscoverySession(broadcast, SnmpPeerKind::Broadcast, options, context);
    if (!session) {
        return -1;
    }
    if (!sendNullValuedGet(session.get(), {SNMP_SYS_DESCR_OID, SNMP_SYS_OBJECT_ID_OID,
                                           SNMP_IF_PHYS_ADDRESS_OID})) {
        diag(" send snmp request error ++++++++++++++++++++++++++++++++++++++++++");
        return -1;
    }
    const auto deadline = std::chrono::steady_clock::now() + options.probeTimeLimit;
    for (int timeouts = 0; timeouts < EMPTY_WAITS_PER_PROBE;) {
        if (std::chrono::steady_clock::now() >= deadline) {
            diag("snmp probe time limit reached, broadcast = ", broadcast);
            break;
        }
        diagf("    loop=%d\n", timeouts);
        if (!receiveOnce()) {
            ++timeouts;
        }
    }
    appendDiscoveryRecords(result, context);
    return 0;
}

int autoDetectSNMPPrinters(std::string& result, const SnmpDiscoveryOptions& options) {
    ifaddrs* raw = nullptr;
    if (getifaddrs(&raw) != 0) {
        diag("getifaddrs: ", std::strerror(errno));
        return 0;
    }
    const std::unique_ptr<ifaddrs, InterfaceListFree> interfaces(raw);
    for (const ifaddrs* entry = raw; entry != nullptr; entry = entry->ifa_next) {
        if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_INET) {
            continue;
        }
        char text[INET_ADDRSTRLEN] = {};
        const auto* address = reinterpret_cast<const sockaddr_in*>(entry->ifa_addr);
        if (inet_ntop(AF_INET, &address->sin_addr, text, sizeof text) == nullptr ||
            std::strcmp(text, LOOPBACK_ADDRESS) == 0) {
            continue;
        }
        diagf("one ip of computer address : %s\n", text);
        detectOneSubNet(result, ip2brocast(text), options);
    }
    return 0;
}

}  // namespace scandesk
