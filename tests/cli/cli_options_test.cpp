// Parsing the command line: accepted forms and usage errors.
#include "cli/cli_options.h"

#include <gtest/gtest.h>

namespace scandesk {
namespace {

TEST(CliOptions, AcceptsBothValueFormsAndEveryScanOption) {
    const CliParse parsed = parseCliArguments(
        {"scan",        "--net=192.0.2.7", "--model",  "Tessel T5", "--port",   "5555",
         "--source=FB", "--mode",          "TEXT",     "--content", "PHOTO",    "--resolution",
         "300dpi",      "--page-size",     "A5",       "--format",  "pdf",      "--rotate",
         "90",          "--combine",       "IDCard",   "--dir",     "/tmp/out", "--prefix",
         "a=b",         "--yes",           "--verbose"});
    ASSERT_TRUE(parsed.options) << parsed.error;
    const CliOptions& o = *parsed.options;
    EXPECT_EQ(o.verb, CliOptions::Verb::scan);
    EXPECT_EQ(o.netAddress, "192.0.2.7");
    EXPECT_EQ(o.model, "Tessel T5");
    EXPECT_EQ(o.port, 5555);
    EXPECT_EQ(o.source, "FB");
    EXPECT_EQ(o.mode, "TEXT");
    EXPECT_EQ(o.content, "PHOTO");
    EXPECT_EQ(o.resolution, "300dpi");
    EXPECT_EQ(o.pageSize, "A5");
    EXPECT_EQ(o.format, "pdf");
    EXPECT_EQ(o.rotate, "90");
    EXPECT_EQ(o.combine, "IDCard");
    EXPECT_EQ(o.dir, "/tmp/out");
    EXPECT_EQ(o.prefix, "a=b");
    EXPECT_TRUE(o.yes);
    EXPECT_TRUE(o.verbose);
    EXPECT_FALSE(o.usb);
}

TEST(CliOptions, DefaultsAndVerbs) {
    auto scan = parseCliArguments({"scan"});
    ASSERT_TRUE(scan.options);
    EXPECT_EQ(scan.options->prefix, "file");
    EXPECT_FALSE(scan.options->dir);
    EXPECT_FALSE(scan.options->netAddress);
    auto list = parseCliArguments({"list", "--json"});
    ASSERT_TRUE(list.options);
    EXPECT_EQ(list.options->verb, CliOptions::Verb::list);
    EXPECT_TRUE(list.options->json);
    auto help = parseCliArguments({"scan", "--mode", "TEXT", "--help"});
    ASSERT_TRUE(help.options);
    EXPECT_EQ(help.options->verb, CliOptions::Verb::help);
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
             Row{{"scan", "extra"}, "unknown option 'extra'"},
             Row{{"scan", "--net"}, "--net needs a value"},
             Row{{"scan", "--net", "300.1.1.1"}, "dotted IPv4 address"},
             Row{{"scan", "--net", "scanner.local"}, "dotted IPv4 address"},
             Row{{"scan", "--net", "192.0.2.1", "--usb"}, "exclude each other"},
             Row{{"scan", "--model", "Tessel T3"}, "--model needs --net"},
             Row{{"scan", "--port", "5000"}, "--port needs --net"},
             Row{{"scan", "--net", "192.0.2.1", "--port", "0"}, "from 1 to 65535"},
             Row{{"scan", "--net", "192.0.2.1", "--port", "65536"}, "from 1 to 65535"},
             Row{{"scan", "--net", "192.0.2.1", "--port", "12ab"}, "from 1 to 65535"},
             Row{{"scan", "--net", "192.0.2.1", "--port="}, "from 1 to 65535"},
             Row{{"scan", "--json"}, "--json is not an option of scan"},
             Row{{"list", "--mode", "TEXT"}, "--mode is not an option of list"},
             Row{{"list", "--usb"}, "--usb is not an option of list"},
             Row{{"scan", "--yes=1"}, "--yes takes no value"},
             Row{{"scan", "--prefix", ""}, "--prefix must not be empty"},
             Row{{"scan", "--dir="}, "--dir must name a directory"},
         }) {
        const CliParse parsed = parseCliArguments(row.args);
        EXPECT_FALSE(parsed.options) << row.fragment;
        EXPECT_NE(parsed.error.find(row.fragment), std::string::npos)
            << "got: " << parsed.error << ", wanted: " << row.fragment;
    }
}

}  // namespace
}  // namespace scandesk
