// The virtual scanner's command line.
#include "emulator/emulator_options.h"

#include <gtest/gtest.h>

namespace scandesk::emulator {
namespace {

std::variant<EmulatorOptions, std::string> parse(std::vector<std::string> args) {
    return parseEmulatorOptions(args);
}

TEST(EmulatorOptions, DefaultsServeOnePageForever) {
    const auto parsed = parse({});
    ASSERT_TRUE(std::holds_alternative<EmulatorOptions>(parsed));
    const auto& o = std::get<EmulatorOptions>(parsed);
    EXPECT_EQ(o.bind, "127.0.0.1");
    EXPECT_EQ(o.port, 54321);
    EXPECT_FALSE(o.connections);
    EXPECT_EQ(o.script.pages, 1);
    EXPECT_EQ(o.script.greeting, toBytes("0001"));
    EXPECT_FALSE(o.script.failAfterPages);
    EXPECT_FALSE(o.snmpPort);
}

TEST(EmulatorOptions, EveryFlagReachesTheScript) {
    const auto parsed = parse({"--bind",
                               "0.0.0.0",
                               "--port",
                               "0",
                               "--pages",
                               "4",
                               "--feeder",
                               "missing",
                               "--greeting",
                               "00\\xFF2",
                               "--fail-after",
                               "2",
                               "--status",
                               "0xC3",
                               "--d-reply",
                               "7",
                               "--s-reply",
                               "0xD0",
                               "--i-reply",
                               "200",
                               "--block-size",
                               "10",
                               "--split",
                               "--silent-after",
                               "9",
                               "--connections",
                               "3",
                               "--idle-timeout",
                               "20",
                               "--log",
                               "/tmp/x.log",
                               "--snmp-port",
                               "1161",
                               "--snmp",
                               "--model",
                               "Quillon Q7"});
    ASSERT_TRUE(std::holds_alternative<EmulatorOptions>(parsed)) << std::get<std::string>(parsed);
    const auto& o = std::get<EmulatorOptions>(parsed);
    EXPECT_EQ(o.bind, "0.0.0.0");
    EXPECT_EQ(o.port, 0);
    EXPECT_EQ(o.script.pages, 4);
    EXPECT_EQ(o.script.feeder, FeederState::missing);
    EXPECT_EQ(o.script.greeting, (Bytes{'0', '0', 0xFF, '2'}));
    EXPECT_EQ(o.script.failAfterPages, 2);
    EXPECT_EQ(o.script.failStatus, 0xC3);
    EXPECT_EQ(o.script.paperReply, 7);
    EXPECT_EQ(o.script.sourceReply, 0xD0);
    EXPECT_EQ(o.script.parametersReply, 200);
    EXPECT_EQ(o.script.blockSize, 10u);
    EXPECT_TRUE(o.split);
    EXPECT_EQ(o.script.silentAfterUnits, 9u);
    EXPECT_EQ(o.connections, 3);
    EXPECT_EQ(o.idleTimeout, std::chrono::seconds(20));
    EXPECT_EQ(o.logPath, "/tmp/x.log");
    EXPECT_EQ(o.snmpPort, 1161);
    EXPECT_EQ(o.snmpModel, "Quillon Q7");
}

TEST(EmulatorOptions, StatusAloneFailsBeforeTheFirstPageAndEmptyGreetingSendsNone) {
    const auto parsed = parse({"--status", "194", "--greeting", ""});
    const auto& o = std::get<EmulatorOptions>(parsed);
    EXPECT_EQ(o.script.failAfterPages, 0);
    EXPECT_EQ(o.script.failStatus, 0xC2);
    EXPECT_TRUE(o.script.greeting.empty());
}

TEST(EmulatorOptions, BadArgumentsAreNamed) {
    struct Row {
        std::vector<std::string> args;
        std::string reason;
    };
    for (const Row& row : {
             Row{{"--colour"}, "unknown option --colour"},
             Row{{"--pages"}, "--pages needs a value"},
             Row{{"--pages", "-1"}, "bad value for --pages: \"-1\""},
             Row{{"--feeder", "full"}, "bad value for --feeder: \"full\""},
             Row{{"--status", "0x100"}, "bad value for --status: \"0x100\""},
             Row{{"--block-size", "0"}, "bad value for --block-size: \"0\""},
             Row{{"--block-size", "65536"}, "bad value for --block-size: \"65536\""},
             Row{{"--port", "70000"}, "bad value for --port: \"70000\""},
             Row{{"--greeting", "\\xZZ"}, "bad value for --greeting: \"\\xZZ\""},
             Row{{"--greeting", "ab\\x4"}, "bad value for --greeting: \"ab\\x4\""},
             Row{{"--snmp-port", "0"}, "bad value for --snmp-port: \"0\""},
             Row{{"--model", "Tessel T9"}, "bad value for --model: \"Tessel T9\""},
             Row{{"--model", "Brisk B4"}, "bad value for --model: \"Brisk B4\""},
             Row{{"--help"}, ""},
         }) {
        const auto parsed = parse(row.args);
        ASSERT_TRUE(std::holds_alternative<std::string>(parsed)) << row.args.front();
        EXPECT_EQ(std::get<std::string>(parsed), row.reason);
    }
}

TEST(EmulatorOptions, ByteValuesInDecimalOrHex) {
    EXPECT_EQ(parseByteValue("0x80"), 0x80);
    EXPECT_EQ(parseByteValue("0XfF"), 0xFF);
    EXPECT_EQ(parseByteValue("128"), 128);
    EXPECT_FALSE(parseByteValue("256"));
    EXPECT_FALSE(parseByteValue("0x"));
    EXPECT_FALSE(parseByteValue("12a"));
}

}  // namespace
}  // namespace scandesk::emulator
