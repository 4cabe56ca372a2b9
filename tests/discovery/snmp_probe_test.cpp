// The low layer without a network: broadcast addresses, records and the callback.
#include "discovery/snmp_probe.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>

#include "discovery/snmp_library.h"
#include "support/captured_lines.h"

namespace scandesk {
namespace {

using testing::CapturedLines;

// As the programs do first in main: the library's environment settled while the process
// has one thread (static initialisation runs before the test runner's main).
[[maybe_unused]] const bool kSnmpEnvironmentPrepared = (prepareSnmpEnvironment(), true);

TEST(Ip2brocast, TreatsEveryNetworkAsASlash24) {
    const std::vector<std::pair<std::string, std::string>> rows{
        {"192.168.1.23", "192.168.1.255"},
        {"10.0.5.17", "10.0.5.255"},
        {"198.51.100.1", "198.51.100.255"},
        {"255.255.255.255", "255.255.255.255"},
        {"1.2.3.4.5", "1.2.3.255"},
        {"10.0", "10.0255"},
        {"", "255"},
    };
    for (const auto& [address, broadcast] : rows) {
        EXPECT_EQ(ip2brocast(address), broadcast) << address;
    }
}

TEST(AppendDiscoveryRecords, WritesEveryResponderHoweverLong) {
    DiscoveryContext context;
    const std::string longIdentifier(1000, '7');
    for (int i = 0; i < 40; ++i) {
        context.detect.push_back({"10.1.1." + std::to_string(i), longIdentifier});
    }
    std::string result = "earlier,probe|";
    appendDiscoveryRecords(result, context);
    EXPECT_EQ(result.rfind("earlier,probe|", 0), 0u);
    EXPECT_EQ(std::count(result.begin(), result.end(), '|'), 41);
    const std::string last = "10.1.1.39," + longIdentifier + "|";
    EXPECT_EQ(result.substr(result.size() - last.size()), last);
}

// What one agent's answer carries.
struct Answer {
    std::optional<std::string> from;  ///< sender address; none when the library has none
    enum class Value { ObjectId, Text, Integer, Missing } value = Value::ObjectId;
    std::vector<oid> objectId{1, 3, 6, 1, 4, 1, 53303, 4, 7, 1, 52};
};

// A response PDU as the library would hand it to the callback. Freed by the caller.
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
    const oid sysDescr[] = {1, 3, 6, 1, 2, 1, 1, 1, 0};
    const oid sysObjectId[] = {1, 3, 6, 1, 2, 1, 1, 2, 0};
    const char description[] = "scanner";
    snmp_pdu_add_variable(pdu, sysDescr, std::size(sysDescr), ASN_OCTET_STR, description,
                          sizeof description - 1);
    const long number = 53303;
    const char text[] = "SNMPv2-SMI::enterprises.53303.4.7.1.52";
    switch (answer.value) {
        case Answer::Value::ObjectId:
            snmp_pdu_add_variable(pdu, sysObjectId, std::size(sysObjectId), ASN_OBJECT_ID,
                                  answer.objectId.data(), answer.objectId.size() * sizeof(oid));
            break;
        case Answer::Value::Text:
            snmp_pdu_add_variable(pdu, sysObjectId, std::size(sysObjectId), ASN_OCTET_STR, text,
                                  sizeof text - 1);
            break;
        case Answer::Value::Integer:
            snmp_pdu_add_variable(pdu, sysObjectId, std::size(sysObjectId), ASN_INTEGER, &number,
                                  sizeof number);
            break;
        case Answer::Value::Missing:
            break;
    }
    return pdu;
}

struct CallbackRow {
    const char* name;
    std::vector<Answer> answers;
    std::vector<DetectedPrinter> recorded;
    std::vector<std::string> lines;  ///< lines that must have been written
};

class DiscoveryCallback : public ::testing::TestWithParam<CallbackRow> {};

TEST_P(DiscoveryCallback, RecordsEachNewResponderOnce) {
    const auto lock = lockSnmpLibrary();
    CapturedLines captured;
    DiscoveryContext context;
    for (const auto& answer : GetParam().answers) {
        netsnmp_pdu* pdu = responsePdu(answer);
        EXPECT_EQ(mc_network_discovery_cb(NETSNMP_CALLBACK_OP_RECEIVED_MESSAGE, nullptr, 1, pdu,
                                          &context),
                  0);
        snmp_free_pdu(pdu);
    }
    ASSERT_EQ(context.detect.size(), GetParam().recorded.size());
    EXPECT_EQ(context.count, static_cast<int>(context.detect.size()));
    for (size_t i = 0; i < context.detect.size(); ++i) {
        EXPECT_EQ(context.detect[i].ip_addr, GetParam().recorded[i].ip_addr);
        EXPECT_EQ(context.detect[i].oid, GetParam().recorded[i].oid);
    }
    for (const auto& line : GetParam().lines) {
        EXPECT_TRUE(captured.contains(line)) << line;
    }
}

const std::string T3_PRINTED = "SNMPv2-SMI::enterprises.53303.4.7.1.52";

INSTANTIATE_TEST_SUITE_P(
    Rows, DiscoveryCallback,
    ::testing::Values(
        CallbackRow{
            "first_answer",
            {{"192.168.1.20"}},
            {{"192.168.1.20", T3_PRINTED}},
            {"ip_addr = 192.168.1.20 ", "magic->detect is null", "device is : " + T3_PRINTED + " ",
             "snmp_ip = 192.168.1.20", "oid = " + T3_PRINTED, " add 1 printer"}},
        CallbackRow{"retransmission_answered_again",
                    {{"192.168.1.20"}, {"192.168.1.20"}, {"192.168.1.20"}},
                    {{"192.168.1.20", T3_PRINTED}},
                    {"ip 192.168.1.20  is already handled!"}},
        CallbackRow{"arrival_order_kept",
                    {{"10.0.0.3"}, {"10.0.0.1"}, {"10.0.0.2"}, {"10.0.0.1"}},
                    {{"10.0.0.3", T3_PRINTED}, {"10.0.0.1", T3_PRINTED}, {"10.0.0.2", T3_PRINTED}},
                    {"in loop ip->ip_addr = 10.0.0.1", " add 3 printer"}},
        CallbackRow{"identifier_as_text_skipped",
                    {{"10.0.0.1", Answer::Value::Text}, {"10.0.0.2"}},
                    {{"10.0.0.2", T3_PRINTED}},
                    {" add 0 printer"}},
        CallbackRow{"identifier_as_integer_skipped",
                    {{"10.0.0.1", Answer::Value::Integer}},
                    {},
                    {" add 0 printer"}},
        CallbackRow{"identifier_missing_recorded_empty",
                    {{"10.0.0.1", Answer::Value::Missing}},
                    {{"10.0.0.1", ""}},
                    {"device is :  ", " add 1 printer"}},
        CallbackRow{
            "no_sender_address", {{std::nullopt}}, {}, {" responder == NULL", " add 0 printer"}},
        CallbackRow{"other_enterprise_printed_too",
                    {{"10.0.0.1", Answer::Value::ObjectId, {1, 3, 6, 1, 4, 1, 8072, 3, 2, 10}}},
                    {{"10.0.0.1", "SNMPv2-SMI::enterprises.8072.3.2.10"}},
                    {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DiscoveryCallbackOperations, OnlyReceivedMessagesAreRecorded) {
    const auto lock = lockSnmpLibrary();
    DiscoveryContext context;
    netsnmp_pdu* pdu = responsePdu({"10.0.0.1"});
    EXPECT_EQ(mc_network_discovery_cb(NETSNMP_CALLBACK_OP_SEND_FAILED, nullptr, 1, pdu, &context),
              0);
    EXPECT_FALSE(context.requestClosed);
    EXPECT_EQ(mc_network_discovery_cb(NETSNMP_CALLBACK_OP_TIMED_OUT, nullptr, 1, pdu, &context), 0);
    EXPECT_TRUE(context.requestClosed);
    EXPECT_TRUE(context.detect.empty());
    EXPECT_EQ(
        mc_network_discovery_cb(NETSNMP_CALLBACK_OP_RECEIVED_MESSAGE, nullptr, 1, pdu, nullptr), 0);
    snmp_free_pdu(pdu);
}

}  // namespace
}  // namespace scandesk
