// Reads the agents' answers and matches their sysObjectID against the catalogue.
#include "discovery/snmp_answer.h"

#include <arpa/inet.h>
#include <netinet/in.h>

#include <algorithm>
#include <charconv>

#include "common/diagnostics.h"
#include "common/executor.h"
#include "devices/catalogue.h"
#include "discovery/snmp_library.h"

namespace scandesk {
namespace {

constexpr oid ENTERPRISES[] = {1, 3, 6, 1, 4, 1};
constexpr oid SYS_OBJECT_ID[] = {1, 3, 6, 1, 2, 1, 1, 2, 0};

// The dotted IPv4 address the answer came from, if the library recorded one.
std::optional<std::string> senderAddress(const netsnmp_pdu& pdu) {
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

// The answer's sysObjectID: an empty identifier when the variable is missing, nothing
// when its value is not an object identifier.
std::optional<std::vector<oid>> answeredObjectId(const netsnmp_pdu& pdu) {
    oid name[std::size(SYS_OBJECT_ID)];
    std::copy(std::begin(SYS_OBJECT_ID), std::end(SYS_OBJECT_ID), name);
    const netsnmp_variable_list* variable =
        find_varbind_in_list(pdu.variables, name, std::size(name));
    if (variable == nullptr) {
        return std::vector<oid>{};
    }
    if (variable->type != ASN_OBJECT_ID || variable->val.objid == nullptr) {
        return std::nullopt;
    }
    const size_t length = std::min<size_t>(variable->val_len / sizeof(oid), MAX_OID_LEN);
    return std::vector<oid>(variable->val.objid, variable->val.objid + length);
}

}  // namespace

std::optional<std::vector<oid>> catalogueObjectId(std::string_view dotted) {
    if (dotted.empty()) {
        return std::nullopt;
    }
    std::vector<oid> result(std::begin(ENTERPRISES), std::end(ENTERPRISES));
    const char* at = dotted.data();
    const char* end = dotted.data() + dotted.size();
    while (true) {
        oid part = 0;
        const auto [next, error] = std::from_chars(at, end, part);
        if (error != std::errc() || next == at) {
            return std::nullopt;
        }
        result.push_back(part);
        if (next == end) {
            return result;
        }
        if (*next != '.') {
            return std::nullopt;
        }
        at = next + 1;
    }
}

std::optional<Device> matchObjectId(std::span<const oid> objectId, const std::string& address) {
    for (const auto& row : IDDevice()) {
        const auto rowId = catalogueObjectId(row.oid);
        if (rowId && std::ranges::equal(*rowId, objectId)) {
            diagInfo(" find kest device  ip = ", address, " ,and name = ", row.name);
            return Device::fromNetworkRow(row, address);
        }
    }
    return std::nullopt;
}

bool AnswerCollector::take(const netsnmp_pdu& pdu) {
    const auto sender = senderAddress(pdu);
    if (!sender) {
        diagDebug(" responder == NULL");
        return false;
    }
    if (agents_.contains(*sender)) {
        diagf(DiagLevel::debug, "ip %s  is already handled!", sender->c_str());
        return false;
    }
    const auto objectId = answeredObjectId(pdu);
    if (!objectId) {
        diagf(DiagLevel::warning, "ip %s answered a sysObjectID that is not an identifier",
              sender->c_str());
        return false;
    }
    agents_.insert(*sender);
    diagf(DiagLevel::debug, "ip_addr = %s device is : %s", sender->c_str(),
          printObjectId(objectId->data(), objectId->size()).c_str());
    if (auto device = matchObjectId(*objectId, *sender)) {
        devices_.push_back(*device);
        if (onFound_) {
            onFound_(devices_.back());
        }
    }
    return true;
}

int snmpAnswerCallback(int operation, netsnmp_session* /*session*/, int /*reqid*/, netsnmp_pdu* pdu,
                       void* magic) noexcept {
    // Called from inside net-snmp: nothing may unwind through its C frames.
    guarded("snmp response callback", [&] {
        auto* state = static_cast<RequestState*>(magic);
        if (state == nullptr) {
            return;
        }
        if (operation == NETSNMP_CALLBACK_OP_TIMED_OUT) {
            state->closed = true;
        }
        if (operation == NETSNMP_CALLBACK_OP_RECEIVED_MESSAGE && pdu != nullptr) {
            state->replied = true;
            if (state->collector != nullptr) {
                state->collector->take(*pdu);
            }
        }
    });
    return 0;
}

}  // namespace scandesk
