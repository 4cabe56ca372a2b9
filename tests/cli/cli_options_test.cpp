// Parsing the command line: accepted forms and usage errors.
#include "cli/cli_options.h"

#include <gtest/gtest.h>

namespace scandesk {
namespace {

TEST(CliOptions, ValuesComeAfterTheNameOrAfterAnEqualsSign) {
    const CliParse parsed = parseCliArguments(
        {"scan", "--net=192.0.2.7", "--port", "5555", "--prefix", "a=b", "--yes", "--rotate=90"});
    ASSERT_TRUE(parsed.options) << parsed.error;
    EXPECT_EQ(parsed.options->netAddress, "192.0.2.7");
    EXPECT_EQ(parsed.options->port, 5555);
    EXPECT_EQ(parsed.options->prefix, "a=b");
    EXPECT_EQ(parsed.options->rotate, "90");
    EXPECT_TRUE(parsed.options->yes);
    EXPECT_EQ(parseCliArguments({"list", "--help"}).options->verb, CliOptions::Verb::help);
    EXPECT_EQ(parseCliArguments({"list", "--log-file=a.log"}).options->logFile, "a.log");
}

TEST(CliOptions, UsageErrorsSayWhatIsWrong) {
    struct Row {
        std::vector<std::string> args;
        const char* fragment;
    };
    for (const Row& row : {
             Row{{}, "a command is needed"},
             Row{{"frob"}, "unknown command 'frob'"},
             Row{{"scan", "--bogus"}, "unknown option '--bogus'"},
             Row{{"scan", "--net"}, "--net needs a value"},
             Row{{"scan", "--net", "300.1.1.1"}, "dotted IPv4 address"},
             Row{{"scan", "--net", "192.0.2.1", "--usb"}, "exclude each other"},
             Row{{"scan", "--model", "Tessel T3"}, "--model needs --net"},
             Row{{"scan", "--port", "5000"}, "--port needs --net"},
             Row{{"scan", "--net", "192.0.2.1", "--port", "0"}, "from 1 to 65535"},
             Row{{"scan", "--net", "192.0.2.1", "--port", "12ab"}, "from 1 to 65535"},
             Row{{"list", "--mode", "TEXT"}, "--mode is not an option of list"},
             Row{{"scan", "--yes=1"}, "--yes takes no value"},
             Row{{"scan", "--prefix", ""}, "--prefix must not be empty"},
             Row{{"scan", "--dir="}, "--dir must name a directory"},
             Row{{"list", "--log-file", ""}, "--log-file must name a file"},
         }) {
        const CliParse parsed = parseCliArguments(row.args);
        EXPECT_FALSE(parsed.options) << row.fragment;
        EXPECT_NE(parsed.error.find(row.fragment), std::string::npos)
            << "got: " << parsed.error << ", wanted: " << row.fragment;
    }
}

}  // namespace
}  // namespace scandesk
