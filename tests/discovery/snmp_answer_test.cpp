// Answers and the catalogue match, without a network.
#include "discovery/snmp_answer.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <cstdlib>

#include "discovery/snmp_library.h"

namespace scandesk {
namespace {

// As the programs do first in main, before any thread exists.
[[maybe_unused]] const bool kSnmpEnvironmentPrepared = (prepareSnmpEnvironment(), true);

const std::vector<oid> T3{1, 3, 6, 1, 4, 1, 53303, 4, 7, 1, 52};
const std::vector<oid> T5{1, 3, 6, 1, 4, 1, 53303, 4, 7, 1, 53};

TEST(CatalogueObjectId, PutsDottedNumbersBelowTheEnterprisesArc) {
    EXPECT_EQ(catalogueObjectId("53303.4.7.1.52"), T3);
    EXPECT_EQ(catalogueObjectId("7"), (std::vector<oid>{1, 3, 6, 1, 4, 1, 7}));
    for (const char* text : {"", "53303..1", "53303.4.", ".53303", "53303.x", "enterprises.7"}) {
        EXPECT_EQ(catalogueObjectId(text), std::nullopt) << text;
    }
}

// What one agent's answer carries: its sender (none when the library recorded none) and
// its sysObjectID, as an identifier, as text, as a number or not at all.
struct Answer {
    std::optional<std::string> from;
    enum class Value { ObjectId, Text, Integer, Missing } value = Value::ObjectId;
    std::vector<oid> objectId = T3;
};

// A response PDU as the library hands it to the callback. Freed by the caller.
netsnmp_pdu* responsePdu(const Answer& answer) {
    netsnmp_pdu* pdu = snmp_pdu_create(SNMP_MSG_RESPONSE);
    if (answer.from) {
        auto* pair = static_cast<netsnmp_indexed_addr_pair*>(
            std::calloc(1, sizeof(netsnmp_indexed_addr_pair)));
        pair->remote_addr.sin.sin_family = AF_INET;
        inet_pton(AF_INET, answer.from->c_str(), &pair->remote_addr.sin.sin_addr);
        pdu->transport_data = pair;
        pdu->transport_data_length = sizeof(netsnmp_indexed_addr_pair);
    }
    const oid sysObjectId[] = {1, 3, 6, 1, 2, 1, 1, 2, 0};
    const long number = 53303;
    const char text[] = "SNMPv2-SMI::enterprises.53303.4.7.1.52";
    const auto add = [&](u_char type, const void* value, size_t size) {
        snmp_pdu_add_variable(pdu, sysObjectId, std::size(sysObjectId), type, value, size);
    };
    if (answer.value == Answer::Value::ObjectId) {
        add(ASN_OBJECT_ID, answer.objectId.data(), answer.objectId.size() * sizeof(oid));
    } else if (answer.value == Answer::Value::Text) {
        add(ASN_OCTET_STR, text, sizeof text - 1);
    } else if (answer.value == Answer::Value::Integer) {
        add(ASN_INTEGER, &number, sizeof number);
    }
    return pdu;
}

struct CallbackRow {
    const char* name;
    std::vector<Answer> answers;  ///< alternately to two requests (two interfaces)
    size_t agents;
    std::vector<std::string> labels;  ///< the scanners reported, in order
};

TEST(AnswerCallback, ReportsEachKnownAgentOnceAsItAnswers) {
    using V = Answer::Value;
    const std::vector<CallbackRow> rows{
        {"each_agent_once_in_arrival_order",
         {{"10.0.0.3", V::ObjectId, T5}, {"10.0.0.1"}, {"10.0.0.3"}, {"10.0.0.1"}, {"10.0.0.3"}},
         2,
         {"Tessel T5(10.0.0.3)", "Tessel T3(10.0.0.1)"}},
        // An identifier as text or a number is skipped until a proper answer; an agent
        // without one or with an unknown identifier counts, but names no scanner.
        {"unusable_answers",
         {{"10.0.0.1", V::Text},
          {"10.0.0.1", V::Integer},
          {"10.0.0.1"},
          {std::nullopt},
          {"10.0.0.2", V::Missing},
          {"10.0.0.3", V::ObjectId, {1, 3, 6, 1, 4, 1, 8072, 3, 2, 10}},
          {"10.0.0.4", V::ObjectId, {1, 3, 6, 1, 4, 1, 53303, 4, 7, 1, 520}},
          {"10.0.0.5", V::ObjectId, {1, 3, 6, 1, 4, 1, 53303, 4, 7, 1, 52, 0}},
          {"10.0.0.6", V::ObjectId, {53303, 4, 7, 1, 52}}},
         6,
         {"Tessel T3(10.0.0.1)"}},
    };
    const auto lock = lockSnmpLibrary();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        std::vector<std::string> reported;
        AnswerCollector collector([&](const Device& device) { reported.push_back(device.label); });
        RequestState states[2]{{&collector}, {&collector}};
        for (size_t i = 0; i < row.answers.size(); ++i) {
            netsnmp_pdu* pdu = responsePdu(row.answers[i]);
            EXPECT_EQ(snmpAnswerCallback(NETSNMP_CALLBACK_OP_RECEIVED_MESSAGE, nullptr, 1, pdu,
                                         &states[i % 2]),
                      0);
            snmp_free_pdu(pdu);
        }
        EXPECT_EQ(collector.agents(), row.agents);
        EXPECT_EQ(reported, row.labels);
        EXPECT_EQ(collector.devices().size(), reported.size());
    }
}

TEST(AnswerCallback, ATimeOutClosesTheRequestAndAThrowingListenerDoesNotUnwindIntoTheLibrary) {
    const auto lock = lockSnmpLibrary();
    AnswerCollector collector([](const Device&) { throw std::runtime_error("listener failed"); });
    RequestState state{&collector};
    netsnmp_pdu* pdu = responsePdu({"10.0.0.1"});
    snmpAnswerCallback(NETSNMP_CALLBACK_OP_SEND_FAILED, nullptr, 1, pdu, &state);
    EXPECT_FALSE(state.closed);
    snmpAnswerCallback(NETSNMP_CALLBACK_OP_TIMED_OUT, nullptr, 1, pdu, &state);
    EXPECT_TRUE(state.closed);
    EXPECT_FALSE(state.replied);
    EXPECT_EQ(snmpAnswerCallback(NETSNMP_CALLBACK_OP_RECEIVED_MESSAGE, nullptr, 1, pdu, &state), 0);
    EXPECT_TRUE(state.replied);
    snmp_free_pdu(pdu);
}

}  // namespace
}  // namespace scandesk
