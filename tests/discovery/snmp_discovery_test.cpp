// Discovery without a network: answers and the catalogue match, the broadcast address of
// each interface, and the library's start in fresh processes under hostile settings.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <net/if.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>

#include "discovery/snmp_answer.h"
#include "discovery/snmp_interfaces.h"
#include "discovery/snmp_library.h"
#include "discovery/snmp_mib.h"
#include "support/temp_dir.h"

namespace scandesk {
namespace {

namespace fs = std::filesystem;

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
         {"Tessel T3(10.0.0.1)"}}};
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

struct Entry {
    const char* name;
    unsigned flags;
    const char* address;
    const char* netmask;
    const char* other;  ///< broadcast address, or the peer of a point-to-point link
    sa_family_t family = AF_INET;
};

TEST(ProbeTargets, TakeEachInterfacesOwnBroadcastAddressAndSkipLinksWithout) {
    constexpr unsigned UP_BROADCAST = IFF_UP | IFF_BROADCAST;
    const std::vector<Entry> entries{
        {"lo", IFF_UP | IFF_LOOPBACK, "127.0.0.1", "255.0.0.0", nullptr},
        {"eth0", UP_BROADCAST, "198.18.0.5", "255.255.254.0", "198.18.1.255"},  // /23
        {"eth1", UP_BROADCAST, "198.19.7.9", "255.255.0.0", nullptr},           // mask only: /16
        {"eth2", UP_BROADCAST, "192.0.2.7", nullptr, nullptr},                  // nothing: the /24
        {"tun0", IFF_UP | IFF_POINTOPOINT, "203.0.113.2", "255.255.255.255", "203.0.113.1"},
        {"wg0", IFF_UP | IFF_POINTOPOINT, "203.0.113.9", "255.255.255.0", nullptr},
        {"eth3", IFF_UP, "198.51.100.4", "255.255.255.255", nullptr},  // a /32: the /24
        {"eth4", UP_BROADCAST, "::1", "255.255.255.0", nullptr, AF_INET6},
    };
    // The list in ordinary storage, linked like getifaddrs's.
    std::vector<sockaddr_in> addresses(entries.size() * 3);
    std::vector<ifaddrs> list(entries.size());
    const auto socketAddress = [&](size_t slot, const char* text, sa_family_t family) {
        addresses[slot].sin_family = family;
        inet_pton(AF_INET, text ? text : "0.0.0.0", &addresses[slot].sin_addr);
        return text ? reinterpret_cast<sockaddr*>(&addresses[slot]) : nullptr;
    };
    for (size_t i = 0; i < entries.size(); ++i) {
        list[i].ifa_next = i + 1 < list.size() ? &list[i + 1] : nullptr;
        list[i].ifa_name = const_cast<char*>(entries[i].name);
        list[i].ifa_flags = entries[i].flags;
        list[i].ifa_addr = socketAddress(3 * i, entries[i].address, entries[i].family);
        list[i].ifa_netmask = socketAddress(3 * i + 1, entries[i].netmask, AF_INET);
        list[i].ifa_broadaddr = socketAddress(3 * i + 2, entries[i].other, AF_INET);
    }
    const std::vector<ProbeTarget> expected{{"eth0", "198.18.0.5", "198.18.1.255"},
                                            {"eth1", "198.19.7.9", "198.19.255.255"},
                                            {"eth2", "192.0.2.7", "192.0.2.255"},
                                            {"eth3", "198.51.100.4", "198.51.100.255"}};
    EXPECT_EQ(probeTargets(list.data()), expected);
}

void writeFile(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path) << text;
}

TEST(SnmpLibraryStart, SaysNothingAndWritesNothingWhateverTheSettings) {
    const testing::TempDir scratch;
    const fs::path root = scratch.path();
    // A MIB directory with a SNMPv2-SMI of its own and a maker module, and a user who
    // asked for every module and numeric identifiers.
    writeFile(root / "mibs/SNMPv2-SMI.txt", std::string(snmpMinimalSmiModule()));
    writeFile(root / "mibs/MAKER-MIB.txt",
              "MAKER-MIB DEFINITIONS ::= BEGIN\nIMPORTS enterprises FROM SNMPv2-SMI;\n"
              "maker OBJECT IDENTIFIER ::= { enterprises 53303 }\nEND\n");
    writeFile(root / "conf/snmp.conf", "mibs +ALL\nprintNumericOids yes\noidOutputFormat 4\n");
    fs::create_directories(root / "home");
    const std::set<fs::directory_entry> before(fs::recursive_directory_iterator(root), {});
    const bool varLibSnmpExisted = fs::exists("/var/lib/snmp");
    // A clean environment but for the sanitizers' settings.
    const std::string start =
        "env -i $(env | grep -E '^[A-Z]+SAN_OPTIONS=') PATH=/usr/bin:/bin HOME=" +
        (root / "home").string();
    const auto out = root.string() + ".out";
    for (const std::string settings :
         {"", " MIBDIRS=/usr/share/snmp/mibs", " MIBDIRS=@/none",
          " MIBDIRS=@/mibs MIBS=ALL SNMPCONFPATH=@/conf", " SNMP_PERSISTENT_DIR=@/home/keep"}) {
        const std::string command = start +
                                    std::regex_replace(settings, std::regex("@"), root.string()) +
                                    " " + SCANDESK_SNMP_PRINT_OID + " >" + out + " 2>&1";
        EXPECT_EQ(std::system(command.c_str()), 0) << settings;
        std::ifstream output(out);
        // The library's own form of the identifier, and not a word more.
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(output), {}),
                  "SNMPv2-SMI::enterprises.53303.4.7.1.52\n")
            << settings;
    }
    fs::remove(out);
    EXPECT_EQ(std::set<fs::directory_entry>(fs::recursive_directory_iterator(root), {}), before);
    EXPECT_TRUE(varLibSnmpExisted || !fs::exists("/var/lib/snmp"));
}

}  // namespace
}  // namespace scandesk
