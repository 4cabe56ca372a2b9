// The file destination: appending, rotation, default location, removal and failures.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include <future>

#include "logging/file_destination.h"
#include "logging/lumberly.h"
#include "logging/program_log.h"
#include "support/captured_lines.h"

namespace scandesk {
namespace {

namespace fs = std::filesystem;

// A fresh folder per test, removed afterwards.
class FileDestinationTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::replace(name.begin(), name.end(), '/', '_');
        dir_ = fs::temp_directory_path() /
               ("scandesk-logging-" + std::to_string(::getpid()) + "-" + name);
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    static std::string read(const fs::path& path) {
        std::ifstream in(path);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    // Sends each message directly, as the destination's queue would.
    static void write(FileDestination& destination, const std::vector<std::string>& messages) {
        for (const auto& message : messages) {
            destination.send(Level::info, message, "", "/x/a.cpp", "f()", 1, std::nullopt);
        }
    }

    fs::path dir_;
};

// Rotation by amount of files, for lines sent one by one and for lines that wait on
// the destination's queue and are written together.
class Rotation : public FileDestinationTest,
                 public ::testing::WithParamInterface<std::tuple<int, bool>> {};

TEST_P(Rotation, KeepsTheConfiguredNumberOfFiles) {
    const auto [amount, queued] = GetParam();
    const fs::path log = dir_ / "sub" / "lumberly.log";
    auto destination = std::make_shared<FileDestination>(log);
    destination->format = "$M";
    destination->logFileMaxSize = 10;  // every second line pushes a file over the limit
    destination->logFileAmount = amount;
    const std::vector<std::string> lines{"line-1", "line-2", "line-3", "line-4", "line-5"};
    if (queued) {
        std::promise<void> release;
        destination->queue().post([gate = release.get_future().share()] { gate.wait(); });
        ASSERT_TRUE(Lumberly::addDestination(destination));
        for (const auto& line : lines) {
            Lumberly::info(line);
        }
        release.set_value();
        ASSERT_TRUE(Lumberly::flush(std::chrono::seconds(10)));
        Lumberly::removeAllDestinations();
    } else {
        write(*destination, lines);
    }

    const std::map<int, std::vector<std::string>> expected{
        {1, {"line-1\nline-2\nline-3\nline-4\nline-5\n"}},
        {2, {"line-5\n", "line-3\nline-4\n"}},
        {3, {"line-5\n", "line-3\nline-4\n", "line-1\nline-2\n"}},
    };
    const auto& files = expected.at(amount);
    EXPECT_EQ(read(log), files[0]);
    for (size_t i = 1; i < files.size(); ++i) {
        EXPECT_EQ(read(log.string() + "." + std::to_string(i)), files[i]) << i;
    }
    EXPECT_FALSE(fs::exists(log.string() + "." + std::to_string(files.size())));
}

INSTANTIATE_TEST_SUITE_P(Amounts, Rotation,
                         ::testing::Combine(::testing::Values(1, 2, 3), ::testing::Bool()));

TEST_F(FileDestinationTest, FullFileReplacesOlderRotatedOne) {
    const fs::path log = dir_ / "lumberly.log";
    std::ofstream(log) << std::string(64, 'x') << "\n";
    std::ofstream(log.string() + ".1") << "older\n";
    FileDestination destination(log);
    destination.format = "$M";
    destination.logFileMaxSize = 64;
    destination.logFileAmount = 2;
    write(destination, {"next"});
    EXPECT_EQ(read(log), "next\n");
    EXPECT_EQ(read(log.string() + ".1"), std::string(64, 'x') + "\n");

    destination.logFileMaxSize = -1;  // a negative maximum rotates before every line
    write(destination, {"again"});
    EXPECT_EQ(read(log), "again\n");
    EXPECT_EQ(read(log.string() + ".1"), "next\n");
}

TEST_F(FileDestinationTest, FileRemovedOrMovedByOthersIsStartedAfresh) {
    const fs::path log = dir_ / "lumberly.log";
    FileDestination destination(log);
    destination.format = "$L $M";
    write(destination, {"one"});
    fs::rename(log, dir_ / "moved.log");
    write(destination, {"two"});
    fs::remove(log);
    write(destination, {"three"});
    EXPECT_EQ(read(dir_ / "moved.log"), "INFO one\n");
    EXPECT_EQ(read(log), "INFO three\n");
}

TEST_F(FileDestinationTest, DeleteLogFile) {
    const fs::path log = dir_ / "lumberly.log";
    FileDestination destination(log);
    write(destination, {"one"});
    EXPECT_TRUE(destination.deleteLogFile());
    EXPECT_FALSE(fs::exists(log));
    EXPECT_TRUE(destination.deleteLogFile());  // nothing to remove is no failure

    testing::CapturedLines captured;
    fs::create_directories(log / "inside");  // a folder that cannot simply be removed
    EXPECT_FALSE(destination.deleteLogFile());
    EXPECT_TRUE(
        captured.contains("Lumberly File Destination could not remove file " + log.string() + "."));
}

TEST_F(FileDestinationTest, WriteFailuresAreReportedNotThrown) {
    testing::CapturedLines captured;
    std::ofstream(dir_ / "plain") << "a file, not a folder\n";
    FileDestination underFile(dir_ / "plain" / "sub" / "lumberly.log");
    write(underFile, {"lost"});
    EXPECT_TRUE(captured.contains("Lumberly File Destination could not write to file " +
                                  (dir_ / "plain" / "sub").string() + "."));

    fs::create_directories(dir_ / "folder.log");
    FileDestination onFolder(dir_ / "folder.log");
    write(onFolder, {"lost"});
    EXPECT_TRUE(captured.contains("Lumberly File Destination could not write to file " +
                                  (dir_ / "folder.log").string() + "."));
}

TEST_F(FileDestinationTest, DefaultLocationFollowsCacheConventions) {
    const std::string xdg = (dir_ / "xdg").string();
    const std::string home = (dir_ / "home").string();
    EXPECT_EQ(FileDestination::defaultLogFileURL(xdg.c_str(), home.c_str(), "scandesk"),
              dir_ / "xdg" / "scandesk" / "lumberly.log");
    EXPECT_TRUE(fs::is_directory(dir_ / "xdg" / "scandesk"));
    EXPECT_EQ(FileDestination::defaultLogFileURL("relative/cache", home.c_str(), "scandesk"),
              dir_ / "home" / ".cache" / "scandesk" / "lumberly.log");
    EXPECT_EQ(FileDestination::defaultLogFileURL(nullptr, home.c_str(), ""),
              dir_ / "home" / ".cache" / "lumberly.log");
    EXPECT_EQ(FileDestination::defaultLogFileURL(nullptr, nullptr, "scandesk"), std::nullopt);

    testing::CapturedLines captured;
    std::ofstream(dir_ / "xdg" / "blocked") << "a file\n";
    EXPECT_EQ(FileDestination::defaultLogFileURL(xdg.c_str(), nullptr, "blocked"),
              dir_ / "xdg" / "lumberly.log");
    EXPECT_TRUE(captured.contains("Warning! Could not create folder " +
                                  (dir_ / "xdg" / "blocked").string()));
}

// A program's log fed by the diagnostic seam: each destination takes its levels, the file
// rotates by the settings, and the last lines are written when the log ends.
TEST_F(FileDestinationTest, ProgramLogRoutesTheSeamByLevelAndRotates) {
    std::vector<std::string> console;  // written on the console's queue, read after the end
    ProgramLogSettings settings;
    settings.console = [&console](std::string_view line) { console.emplace_back(line); };
    settings.file = dir_ / "logs" / "program.log";
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
    for (const auto& entry : fs::directory_iterator(dir_ / "logs")) {
        files.insert(entry.path().filename());
        EXPECT_EQ(read(entry.path()).find("bytes"), std::string::npos);
    }
    EXPECT_EQ(files, (std::set<std::string>{"program.log", "program.log.1", "program.log.2"}));
    EXPECT_TRUE(read(*settings.file).ends_with(" WARNING fault\n"));
}

// The file's complaints go to standard error, never back into the log that made them.
TEST_F(FileDestinationTest, AProgramLogFileThatCannotBeWrittenDoesNotFeedItself) {
    std::ofstream(dir_ / "plain") << "a file, not a folder\n";
    std::vector<std::string> console;
    ProgramLogSettings settings;
    settings.consoleLevel = Level::verbose;
    settings.console = [&console](std::string_view line) { console.emplace_back(line); };
    settings.file = dir_ / "plain" / "program.log";
    {
        const ProgramLog log(settings);
        diagInfo("lost");
    }
    EXPECT_EQ(console, std::vector<std::string>{"INFO lost"});
}

TEST(ProgramLog, TheWindowsLogFileFollowsStateConventions) {
    EXPECT_EQ(stateLogFile("/x/state", "/home/u"), "/x/state/scandesk/scandesk.log");
    EXPECT_EQ(stateLogFile("relative", "/home/u"), "/home/u/.local/state/scandesk/scandesk.log");
    EXPECT_EQ(stateLogFile(nullptr, "/home/u"), "/home/u/.local/state/scandesk/scandesk.log");
    EXPECT_EQ(stateLogFile(nullptr, ""), std::nullopt);
}

}  // namespace
}  // namespace scandesk
