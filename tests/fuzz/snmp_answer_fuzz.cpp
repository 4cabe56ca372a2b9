// SNMP answers: a response PDU of any sender, variables, types and lengths, through the
// response callback, which matches it against the catalogue.
#include <arpa/inet.h>

#include <cstring>

#include "devices/catalogue.h"
#include "discovery/snmp_answer.h"
#include "discovery/snmp_library.h"
#include "fuzz.h"

using namespace scandesk;
using namespace scandesk::fuzz;

namespace {

// The variable names an answer may carry: sysObjectID.0 and sysDescr.0 as asked, or any.
std::vector<oid> variableName(FuzzInput& in) {
    const uint8_t kind = in.byte() % 3;
    if (kind < 2) {
        return {1, 3, 6, 1, 2, 1, 1, kind == 0 ? 2u : 1u, 0};
    }
    std::vector<oid> name(1 + in.upTo(MAX_OID_LEN - 1));
    for (oid& part : name) {
        part = in.upTo(70000);
    }
    return name;
}

// A response from the sender the input names, holding the variables it describes.
netsnmp_pdu* answer(FuzzInput& in) {
    static const u_char types[] = {ASN_OBJECT_ID, ASN_OCTET_STR, ASN_INTEGER, ASN_NULL,
                                   ASN_IPADDRESS};
    netsnmp_pdu* pdu = snmp_pdu_create(SNMP_MSG_RESPONSE);
    auto* pair =
        static_cast<netsnmp_indexed_addr_pair*>(calloc(1, sizeof(netsnmp_indexed_addr_pair)));
    pair->remote_addr.sin.sin_family = in.byte() % 8 ? AF_INET : AF_INET6;
    const Bytes address = in.bytes(4);
    if (!address.empty()) {  // memcpy wants a real pointer even for no bytes
        std::memcpy(&pair->remote_addr.sin.sin_addr, address.data(), address.size());
    }
    pdu->transport_data = pair;
    pdu->transport_data_length = static_cast<int>(sizeof(*pair));
    for (size_t count = in.byte() % 4; count > 0; --count) {
        const std::vector<oid> name = variableName(in);
        const u_char type = types[in.byte() % std::size(types)];
        Bytes value = in.bytes(in.upTo(128));
        if (type == ASN_OBJECT_ID) {
            value.resize(value.size() / sizeof(oid) * sizeof(oid));
            for (size_t at = 0; at < value.size(); at += sizeof(oid)) {
                oid part = 0;
                std::memcpy(&part, value.data() + at, sizeof(oid));
                part %= 70000;  // what a decoder would accept as a sub-identifier
                std::memcpy(value.data() + at, &part, sizeof(oid));
            }
        }
        snmp_pdu_add_variable(pdu, name.data(), name.size(), type, value.data(), value.size());
    }
    return pdu;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    [[maybe_unused]] static const bool prepared = (prepareSnmpEnvironment(), true);
    FuzzInput in(data, size);
    const auto lock = lockSnmpLibrary();
    std::vector<Device> reported;
    AnswerCollector collector([&](const Device& device) { reported.push_back(device); });
    RequestState state{&collector};
    netsnmp_pdu* pdu = answer(in);
    const in_addr sender =
        static_cast<netsnmp_indexed_addr_pair*>(pdu->transport_data)->remote_addr.sin.sin_addr;
    for (int repeat = 0; repeat < 2; ++repeat) {  // one agent answering twice
        snmpAnswerCallback(NETSNMP_CALLBACK_OP_RECEIVED_MESSAGE, nullptr, 0, pdu, &state);
    }
    snmp_free_pdu(pdu);
    require(collector.agents() <= 1 && reported.size() <= 1 &&
                collector.devices().size() == reported.size(),
            "one Device per answering agent");
    for (const Device& device : reported) {
        require(device.transport == Transport::network && device.ip == ::inet_ntoa(sender),
                "a matched scanner is a network scanner at the sender's address");
    }
    return 0;
}
