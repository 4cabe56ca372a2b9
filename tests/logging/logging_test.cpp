// The log as a program uses it: level texts in its lines, file rotation and location,
// filter comparisons and groups, the elapsed-time text, and a log queue that no exception
// leaves.
#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>
#include <stdexcept>

#include "logging/file_destination.h"
#include "logging/filter.h"
#include "logging/filter_factories.h"
#include "logging/filter_validator.h"
#include "logging/message_format.h"
#include "logging/program_log.h"
#include "logging/serial_queue.h"
#include "support/captured_lines.h"
#include "support/temp_dir.h"

namespace scandesk {
namespace {

namespace fs = std::filesystem;

std::string read(const fs::path& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Each destination takes its levels, the file rotates by the settings, and the last lines
// are written when the log ends.
TEST(ProgramLog, RoutesLinesByLevelAndKeepsTheConfiguredNumberOfFiles) {
    const testing::TempDir dir;
    std::vector<std::string> console;  // written on the console's queue, read after the end
    ProgramLogSettings settings;
    settings.console = [&console](std::string_view line) { console.emplace_back(line); };
    settings.file = fs::path(dir.path()) / "logs" / "program.log";
    settings.fileLevel = Level::debug;
    settings.fileMaxSize = 100;
    settings.fileAmount = 3;
    {
        const ProgramLog log(settings);
        for (int i = 0; i < 20; ++i) {
            diagDebug("step ", i);
        }
        diagVerbose("bytes");
        diagWarning("fault");
    }
    EXPECT_EQ(console, std::vector<std::string>{"WARNING fault"});
    std::set<std::string> files;
    for (const auto& entry : fs::directory_iterator(dir.path() + "/logs")) {
        files.insert(entry.path().filename());
        EXPECT_EQ(read(entry.path()).find("bytes"), std::string::npos);
    }
    EXPECT_EQ(files, (std::set<std::string>{"program.log", "program.log.1", "program.log.2"}));
    EXPECT_TRUE(read(*settings.file).ends_with(" WARNING fault\n"));
}

// The file's complaints go to standard error, never back into the log that made them.
TEST(ProgramLog, AFileThatCannotBeWrittenDoesNotFeedItself) {
    const testing::TempDir dir;
    std::ofstream(dir.path() + "/plain") << "a file, not a folder\n";
    std::vector<std::string> console;
    ProgramLogSettings settings;
    settings.consoleLevel = Level::verbose;
    settings.console = [&console](std::string_view line) { console.emplace_back(line); };
    settings.file = fs::path(dir.path()) / "plain" / "program.log";
    {
        const ProgramLog log(settings);
        diagInfo("lost");
    }
    EXPECT_EQ(console, std::vector<std::string>{"INFO lost"});
}

// Only an absolute cache or state folder counts; a relative one is ignored.
TEST(LogFiles, LocationsFollowTheDesktopConventions) {
    const testing::TempDir dir;
    const std::string xdg = dir.path() + "/xdg";
    const std::string home = dir.path() + "/home";
    EXPECT_EQ(FileDestination::defaultLogFileURL(xdg.c_str(), home.c_str(), "scandesk"),
              fs::path(xdg) / "scandesk" / "lumberly.log");
    EXPECT_TRUE(fs::is_directory(fs::path(xdg) / "scandesk"));
    EXPECT_EQ(FileDestination::defaultLogFileURL("relative/cache", home.c_str(), "scandesk"),
              fs::path(home) / ".cache" / "scandesk" / "lumberly.log");
    EXPECT_EQ(FileDestination::defaultLogFileURL(nullptr, nullptr, "scandesk"), std::nullopt);
    EXPECT_EQ(stateLogFile("/x/state", "/home/u"), "/x/state/scandesk/scandesk.log");
    EXPECT_EQ(stateLogFile("relative", "/home/u"), "/home/u/.local/state/scandesk/scandesk.log");
    EXPECT_EQ(stateLogFile(nullptr, ""), std::nullopt);
}

TEST(CompareFilter, AppliesEachComparison) {
    using Kind = Filter::ComparisonType::Kind;
    struct Row {
        Kind kind;
        std::vector<std::string> strings;
        bool caseSensitive;
        std::optional<std::string> value;
        bool expected;
    };
    const std::vector<Row> rows{
        {Kind::StartsWith, {"Scan", "Usb"}, true, "UsbPipe", true},
        {Kind::StartsWith, {"scan"}, true, "ScanModel", false},
        {Kind::StartsWith, {"scan"}, false, "ScanModel", true},
        {Kind::Contains, {"pipe"}, false, "UsbPIPEReader", true},
        {Kind::Excludes, {"secret"}, true, "a secret line", false},
        {Kind::Excludes, {"secret"}, true, "an open line", true},
        {Kind::EndsWith, {".h", ".cpp"}, true, "/src/model.cpp", true},
        {Kind::EndsWith, {".cpp"}, true, ".cpp/model.h", false},
        {Kind::Equals, {"ÄRGER"}, false, "ärger", true},
        {Kind::Equals, {"main"}, true, "Main", false},
        {Kind::Contains, {"x"}, false, std::nullopt, false},
    };
    for (const Row& row : rows) {
        const CompareFilter filter(
            Filter::TargetType{Filter::TargetType::Kind::Message,
                               {row.kind, row.strings, row.caseSensitive, {}}},
            false, Level::verbose);
        EXPECT_EQ(filter.apply(row.value), row.expected)
            << static_cast<int>(row.kind) << " " << row.value.value_or("<none>");
    }
}

// A destination's filters split into excluded, required and other groups; each group
// counts which of its filters matched the call in full, by condition only or by level only.
TEST(FilterValidator, GroupsTheFiltersAndCountsHowEachMatched) {
    using Type = FilterValidator::ValidationType;
    using Kind = FilterValidator::Result::Kind;
    using R = FilterValidator::Result;
    const FilterList filters{
        Filters::Message::excludes({"secret"}),
        Filters::Path::endsWith({".cpp"}, true, true, Level::info),
        Filters::Function::startsWith({"scan"}, false, false, Level::verbose),
        Filters::Message::contains({"page"}, false, false, Level::warning),
    };
    struct Row {
        Level level;
        const char* path;
        const char* function;
        const char* message;
        R excluded, required, other;
    };
    const R all{Kind::allFiltersMatch, {}};
    for (const Row& row : {
             Row{Level::info, "a.cpp", "scanPage", "page 1", all, all,
                 R{Kind::someFiltersMatch, {1, 1, 0}}},
             Row{Level::debug, "a.h", "run", "a secret", R{Kind::someFiltersMatch, {0, 0, 1}},
                 R{Kind::someFiltersMatch, {0, 0, 0}}, R{Kind::someFiltersMatch, {0, 0, 1}}},
             Row{Level::error, "x.cpp", "Scanner", "last page", all, all, all},
         }) {
        SCOPED_TRACE(row.message);
        auto results =
            FilterValidator::validate({filters, row.level, row.path, row.function, row.message},
                                      {Type::excluded, Type::required, Type::nonRequired});
        EXPECT_EQ(results[Type::excluded], row.excluded);
        EXPECT_EQ(results[Type::required], row.required);
        EXPECT_EQ(results[Type::nonRequired], row.other);
    }
    EXPECT_EQ(FilterValidator::apply(Type::required, filters), FilterList{filters[1]});
    EXPECT_EQ(FilterValidator::validate({{}, Level::error, "", "", "x"}, {Type::required}),
              (std::map<Type, R>{{Type::required, R{}}}));
}

// The time since the log's start ($U): hours not limited to two digits.
TEST(MessageFormat, ElapsedTimeIsHoursMinutesSecondsAndMilliseconds) {
    for (const auto& [ms, text] : {std::pair{0LL, "00:00:00.000"},
                                   {61'001LL, "00:01:01.001"},
                                   {3'723'456LL, "01:02:03.456"},
                                   {360'000'009LL, "100:00:00.009"}}) {
        EXPECT_EQ(elapsedText(std::chrono::milliseconds(ms)), text);
    }
}

TEST(SerialQueue, NoExceptionLeavesItAndTheQueueGoesOn) {
    const testing::CapturedLines quiet;
    SerialQueue queue("failing-queue");
    queue.post([] { throw std::runtime_error("posted"); });
    EXPECT_THROW(queue.runAndWait([] { throw std::runtime_error("awaited"); }), std::runtime_error);
    bool ran = false;
    queue.runAndWait([&] { ran = true; });
    EXPECT_TRUE(ran);
}

}  // namespace
}  // namespace scandesk
