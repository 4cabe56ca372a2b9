// Rendering of log lines: every token, padding, dates, colours, JSON.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "logging/cloud_destination.h"
#include "logging/console_destination.h"
#include "logging/file_destination.h"
#include "logging/message_format.h"
#include "support/captured_lines.h"

namespace scandesk {
namespace {

using namespace std::chrono;

// 2026-03-14 13:07:09.123 UTC, 14:07:09.123 in Berlin (winter time).
const system_clock::time_point kNow =
    sys_days{year{2026} / 3 / 14} + hours{13} + minutes{7} + seconds{9} + milliseconds{123};
const std::string kFile = "/src/session/ScannerModel.cpp";

// Gives a destination a fixed clock, a fixed zone and a start 1 h 2 min 3.004 s ago.
void pinTime(BaseDestination& destination) {
    destination.clock = [] { return kNow; };
    ASSERT_TRUE(destination.formatter.setTimeZone("Europe/Berlin"));
    destination.startDate = kNow - (hours{1} + minutes{2} + seconds{3} + milliseconds{4});
}

struct RenderRow {
    std::string format;
    Level level;
    std::optional<std::string> context;
    std::string expected;
};

TEST(LogFormat, RendersEveryTokenWithPadding) {
    const std::vector<RenderRow> rows{
        {"$L", Level::info, {}, "INFO"},
        {"$-8L|", Level::info, {}, "INFO    |"},
        {"$8L|", Level::info, {}, "    INFO|"},
        {"$3L|", Level::warning, {}, "WARNING|"},
        {"$-L|", Level::info, {}, "INFO|"},
        {"$L $L $L $L $L", Level::verbose, {}, "VERBOSE VERBOSE VERBOSE VERBOSE VERBOSE"},
        {"[$L]", Level::debug, {}, "[DEBUG]"},
        {"$L", Level::error, {}, "ERROR"},
        {"$M", Level::info, {}, "héllo"},
        {"$-7M|", Level::info, {}, "héllo  |"},
        {"$T", Level::info, {}, "worker"},
        {"$10T|", Level::info, {}, "    worker|"},
        {"$N", Level::info, {}, "ScannerModel"},
        {"$n", Level::info, {}, "ScannerModel.cpp"},
        {"$F", Level::info, {}, "startScan()"},
        {"$l", Level::info, {}, "120"},
        {"$5l|", Level::info, {}, "  120|"},
        {"$X|", Level::info, " \n job 7\t\n", "job 7|"},
        {"a$X|b", Level::info, {}, "a|b"},
        {"$U", Level::info, {}, "01:02:03.004"},
        {"$Q rest", Level::info, {}, "Q rest"},
        {"$-5Q", Level::info, {}, "-5Q"},
        {"$12", Level::info, {}, "12"},
        {"$$M$", Level::info, {}, "héllo"},
        {"before $M after", Level::info, {}, "before héllo after"},
        {"$M   \t\n", Level::info, {}, "héllo"},
        {"$M\u00a0\u2028", Level::info, {}, "héllo"},
        {"$DHH:mm:ss.SSS$d", Level::info, {}, "14:07:09.123"},
        {"$ZHH:mm$z UTC", Level::info, {}, "13:07 UTC"},
        {"$Dyyyy-MM-dd$d $ZHH$z $DHH$d", Level::info, {}, "2026-03-14 13 14"},
        {"$6Dmm$d|", Level::info, {}, "    07|"},
    };
    BaseDestination destination;
    pinTime(destination);
    for (const auto& row : rows) {
        EXPECT_EQ(destination.formatMessage(row.format, row.level, "héllo", "worker", kFile,
                                            "startScan()", 120, row.context),
                  row.expected)
            << row.format;
    }
}

TEST(LogFormat, DateTokensFollowClockAndZone) {
    BaseDestination destination;
    pinTime(destination);
    system_clock::time_point now = kNow;
    destination.clock = [&] { return now; };
    auto render = [&] {
        return destination.formatMessage("$DHH:mm:ss.SSS$d", Level::info, "", "", "", "", 0,
                                         std::nullopt);
    };
    EXPECT_EQ(render(), "14:07:09.123");
    now += milliseconds{1};
    EXPECT_EQ(render(), "14:07:09.124");
    EXPECT_FALSE(destination.formatter.setTimeZone("Not/AZone"));
    EXPECT_EQ(destination.formatter.timeZone(), "Europe/Berlin");
    ASSERT_TRUE(destination.formatter.setTimeZone("Asia/Tokyo"));
    EXPECT_EQ(render(), "22:07:09.124");
    destination.calendar = "en_US@calendar=buddhist";
    EXPECT_EQ(destination.formatMessage("$Dyyyy$d", Level::info, "", "", "", "", 0, std::nullopt),
              "2569");
}

TEST(LogFormat, HugePaddingIsClampedNotAllocated) {
    BaseDestination destination;
    const std::string text = destination.formatMessage("$99999999999999999999L|", Level::info, "",
                                                       "", "", "", 0, std::nullopt);
    EXPECT_EQ(text, std::string(kMaxFormatPadding - 4, ' ') + "INFO|");
}

TEST(LogFormat, DefaultFormatOfConsoleDestination) {
    ConsoleDestination console;
    pinTime(console);
    std::vector<std::string> written;
    console.output = [&](std::string_view line) { written.emplace_back(line); };
    const auto text =
        console.send(Level::info, "scan started", "", kFile, "startScan()", 120, std::nullopt);
    const std::string expected =
        "14:07:09.123 \U0001F499 INFO ScannerModel.startScan():120 - scan started";
    EXPECT_EQ(text, expected);
    EXPECT_EQ(written, std::vector<std::string>{expected});
}

TEST(LogFormat, ColourSchemesSwitchTogether) {
    const std::string format = "$C$L$c";
    auto render = [&](BaseDestination& d, Level level) {
        return d.formatMessage(format, level, "", "", "", "", 0, std::nullopt);
    };
    ConsoleDestination console;
    EXPECT_EQ(render(console, Level::error), "\u2764\uFE0F ERROR");
    console.setUseTerminalColors(true);
    EXPECT_EQ(render(console, Level::info), "\x1b[38;5;38mINFO\x1b[0m");
    EXPECT_EQ(render(console, Level::verbose), "\x1b[38;5;251mVERBOSE\x1b[0m");
    console.setUseTerminalColors(false);
    EXPECT_EQ(render(console, Level::debug), "\U0001F49A DEBUG");

    FileDestination file(std::filesystem::path("/nonexistent/never-written.log"));
    EXPECT_EQ(render(file, Level::warning), "WARNING");
    file.setColored(true);
    EXPECT_EQ(render(file, Level::warning), "\x1b[38;5;178mWARNING\x1b[0m");
    file.setColored(false);
    EXPECT_EQ(render(file, Level::error), "ERROR");
}

TEST(LogFormat, JsonFormatCarriesEveryField) {
    BaseDestination destination;
    pinTime(destination);
    destination.format = "$J";
    const auto text = destination.send(Level::warning, "paper \"jam\"", "worker", kFile,
                                       "startScan()", 120, std::string("job 7"));
    ASSERT_TRUE(text);
    const auto json = nlohmann::json::parse(*text);
    EXPECT_DOUBLE_EQ(json["timestamp"].get<double>(),
                     duration<double>(kNow.time_since_epoch()).count());
    EXPECT_EQ(json["level"], 3);
    EXPECT_EQ(json["message"], "paper \"jam\"");
    EXPECT_EQ(json["thread"], "worker");
    EXPECT_EQ(json["file"], kFile);
    EXPECT_EQ(json["function"], "startScan()");
    EXPECT_EQ(json["line"], 120);
    EXPECT_EQ(json["context"], "job 7");

    const auto noContext =
        destination.send(Level::info, "m", "", kFile, "f()", 1, std::nullopt).value();
    EXPECT_FALSE(nlohmann::json::parse(noContext).contains("context"));
}

TEST(LogFormat, JsonOfTextThatIsNotUtf8IsRefused) {
    testing::CapturedLines captured;
    std::vector<std::string> shipped;
    CloudDestination cloud("scans", [&](std::string_view line) { shipped.emplace_back(line); });
    EXPECT_FALSE(cloud.send(Level::info, "bad \xff byte", "", kFile, "f()", 1, std::nullopt));
    EXPECT_TRUE(captured.contains("Lumberly could not create JSON from dict."));
    EXPECT_TRUE(shipped.empty());

    ASSERT_TRUE(cloud.send(Level::error, "fine", "", kFile, "f()", 1, std::nullopt));
    ASSERT_EQ(shipped.size(), 1u);
    const auto json = nlohmann::json::parse(shipped[0]);
    EXPECT_EQ(json["service"], "scans");
    EXPECT_EQ(json["level"], 4);
}

}  // namespace
}  // namespace scandesk
