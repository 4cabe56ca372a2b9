// A minimal SNMP agent on net-snmp's session and PDU API.
#include "emulator/snmp_agent.h"

#include <sys/select.h>

#include <cstring>
#include <span>
#include <thread>

#include "common/diagnostics.h"
#include "common/executor.h"
#include "devices/catalogue.h"
#include "discovery/snmp_answer.h"
#include "discovery/snmp_library.h"

namespace scandesk::emulator {
namespace {

// How long one wait for a request lasts, so that a stop request is seen soon.
constexpr long STOP_CHECK_MICROSECONDS = 100000;

constexpr oid SYS_DESCR[] = {1, 3, 6, 1, 2, 1, 1, 1, 0};
constexpr oid SYS_OBJECT_ID[] = {1, 3, 6, 1, 2, 1, 1, 2, 0};
constexpr oid IF_PHYS_ADDRESS_1[] = {1, 3, 6, 1, 2, 1, 2, 2, 1, 6, 1};
// A locally administered unicast address: no real interface has it.
constexpr u_char PHYS_ADDRESS[] = {0x02, 0x00, 0x5c, 0x4e, 0x00, 0x01};

bool named(const netsnmp_variable_list& variable, std::span<const oid> name) {
    return snmp_oid_compare(variable.name, variable.name_length, name.data(), name.size()) == 0;
}

// The session's callback: answers each request. Nothing unwinds into the library.
int answerRequest(int operation, netsnmp_session* session, int /*reqid*/, netsnmp_pdu* pdu,
                  void* magic) noexcept {
    return guarded(
        "snmp agent callback",
        [&] {
            if (operation != NETSNMP_CALLBACK_OP_RECEIVED_MESSAGE || pdu == nullptr) {
                return 1;
            }
            const auto* agent = static_cast<const SnmpAgent*>(magic);
            auto reply = agent->answerTo(*pdu);
            if (reply) {
                std::this_thread::sleep_for(agent->answerDelay());
            }
            if (reply && snmp_send(session, reply.get()) != 0) {
                reply.release();  // the library frees a sent PDU
            }
            return 1;
        },
        1);
}

}  // namespace

std::optional<BaseDevice> snmpModelRow(const std::string& name) {
    // Discovery matches the first catalogue only: claiming another model would be ignored.
    for (const BaseDevice& row : IDDevice()) {
        if ((name.empty() || row.name == name) && catalogueObjectId(row.oid)) {
            return row;
        }
    }
    return std::nullopt;
}

std::string snmpModelNames() {
    std::string names;
    for (const BaseDevice& row : IDDevice()) {
        if (catalogueObjectId(row.oid)) {
            names += (names.empty() ? "" : ", ") + row.name;
        }
    }
    return names;
}

void SnmpAgent::PduFree::operator()(netsnmp_pdu* pdu) const {
    snmp_free_pdu(pdu);
}

SnmpAgent::SnmpAgent(const BaseDevice& model, std::chrono::milliseconds answerDelay)
    : description_("ScanDesk virtual scanner " + model.name),
      objectId_(catalogueObjectId(model.oid).value_or(std::vector<oid>{})),
      answerDelay_(answerDelay) {}

bool SnmpAgent::listen(uint16_t port, std::string& error) {
    const auto lock = lockSnmpLibrary();
    const std::string address = "udp:0.0.0.0:" + std::to_string(port);
    netsnmp_transport* transport = netsnmp_transport_open_server("snmp", address.c_str());
    if (transport == nullptr) {
        error = "cannot open the SNMP agent on " + address;
        return false;
    }
    netsnmp_session templ{};
    snmp_sess_init(&templ);
    templ.version = SNMP_DEFAULT_VERSION;
    templ.callback = answerRequest;
    templ.callback_magic = this;
    templ.isAuthoritative = SNMP_SESS_AUTHORITATIVE;
    // snmp_add owns the transport from here, also when it fails.
    session_ = snmp_add(&templ, transport, nullptr, nullptr);
    if (session_ == nullptr) {
        error = "cannot start the SNMP agent on " + address;
        return false;
    }
    return true;
}

SnmpAgent::~SnmpAgent() {
    if (session_ != nullptr) {
        const auto lock = lockSnmpLibrary();
        snmp_close(session_);
    }
}

std::unique_ptr<netsnmp_pdu, SnmpAgent::PduFree> SnmpAgent::answerTo(
    const netsnmp_pdu& request) const {
    const std::string_view community(reinterpret_cast<const char*>(request.community),
                                     request.community != nullptr ? request.community_len : 0);
    if (request.command != SNMP_MSG_GET || request.version != SNMP_VERSION_2c ||
        community != SNMP_DISCOVERY_COMMUNITY) {
        return nullptr;
    }
    std::unique_ptr<netsnmp_pdu, PduFree> reply(snmp_clone_pdu(const_cast<netsnmp_pdu*>(&request)));
    if (!reply) {
        return nullptr;
    }
    reply->command = SNMP_MSG_RESPONSE;
    reply->errstat = SNMP_ERR_NOERROR;
    reply->errindex = 0;
    if (reply->transport_data != nullptr &&
        reply->transport_data_length >= static_cast<int>(sizeof(netsnmp_indexed_addr_pair))) {
        // A request to a broadcast address is answered from the interface's own address
        // (the kernel's choice), never from the broadcast address it was sent to.
        auto* pair = static_cast<netsnmp_indexed_addr_pair*>(reply->transport_data);
        std::memset(&pair->local_addr, 0, sizeof pair->local_addr);
        pair->if_index = 0;
    }
    for (netsnmp_variable_list* variable = reply->variables; variable != nullptr;
         variable = variable->next_variable) {
        if (named(*variable, SYS_OBJECT_ID)) {
            snmp_set_var_typed_value(variable, ASN_OBJECT_ID, objectId_.data(),
                                     objectId_.size() * sizeof(oid));
        } else if (named(*variable, SYS_DESCR)) {
            snmp_set_var_typed_value(variable, ASN_OCTET_STR, description_.data(),
                                     description_.size());
        } else if (named(*variable, IF_PHYS_ADDRESS_1)) {
            snmp_set_var_typed_value(variable, ASN_OCTET_STR, PHYS_ADDRESS, sizeof PHYS_ADDRESS);
        } else {
            snmp_set_var_typed_value(variable, SNMP_NOSUCHOBJECT, nullptr, 0);
        }
    }
    return reply;
}

void SnmpAgent::serve(std::stop_token stop) {
    while (!stop.stop_requested()) {
        fd_set descriptors;
        FD_ZERO(&descriptors);
        int count = 0;
        int block = 0;
        timeval wait{0, STOP_CHECK_MICROSECONDS};
        {
            const auto lock = lockSnmpLibrary();
            snmp_sess_select_info(snmp_sess_pointer(session_), &count, &descriptors, &wait, &block);
        }
        wait = timeval{0, STOP_CHECK_MICROSECONDS};
        if (::select(count, &descriptors, nullptr, nullptr, &wait) > 0) {
            const auto lock = lockSnmpLibrary();
            snmp_sess_read(snmp_sess_pointer(session_), &descriptors);
        }
    }
}

}  // namespace scandesk::emulator
