// Creating and removing the time-stamped receive directory through the model.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "fake_services.h"
#include "session/receive_directory.h"
#include "session/scanner_model.h"
#include "support/captured_lines.h"
#include "temp_dir.h"

namespace scandesk {
namespace {

namespace fs = std::filesystem;

class ReceiveDir : public ::testing::Test {
  protected:
    ReceiveDir() { record->now = testing::fixedMoment(); }

    std::shared_ptr<testing::FakeRecord> record = std::make_shared<testing::FakeRecord>();
    ManualExecutor main;
    ScannerModel model{main, main, testing::fakeServices(record), false};
    testing::TempDir temp;
    testing::CapturedLines lines;
};

TEST_F(ReceiveDir, IsNamedByTheLocalTime) {
    EXPECT_EQ(receiveDirName(testing::fixedMoment()), "20240305140709");
    EXPECT_EQ(model.createReceiveDir(temp.path()), (ResultPair{true, "ok"}));
    const std::string expected = temp.path() + "/20240305140709";
    EXPECT_EQ(model.receiveDir(), expected);
    EXPECT_TRUE(fs::is_directory(expected));
    EXPECT_TRUE(lines.contains("receive directory created: " + expected));
}

TEST_F(ReceiveDir, ATrailingSlashGivesADoubleSlashThatWorks) {
    EXPECT_TRUE(model.createReceiveDir(temp.path() + "/").status);
    EXPECT_EQ(model.receiveDir(), temp.path() + "//20240305140709");
    EXPECT_TRUE(fs::is_directory(model.receiveDir()));
}

TEST_F(ReceiveDir, FailuresKeepTheNewPathAndCreateNothing) {
    struct Row {
        const char* name;
        std::string saveDir;
    };
    ASSERT_TRUE(model.createReceiveDir(temp.path()).status);  // the same second, next
    for (const Row& row :
         {Row{"same second", temp.path()}, Row{"missing parent", temp.path() + "/missing"},
          Row{"a file as parent", temp.path() + "/20240305140709/f"}}) {
        if (std::string(row.name) == "a file as parent") {
            std::ofstream(temp.path() + "/20240305140709/f") << "x";
        }
        SCOPED_TRACE(row.name);
        EXPECT_EQ(model.createReceiveDir(row.saveDir),
                  (ResultPair{false, "cannotCreateReceiveDir"}));
        EXPECT_EQ(model.receiveDir(), row.saveDir + "/20240305140709");
    }
    EXPECT_FALSE(fs::exists(temp.path() + "/missing"));
    EXPECT_EQ(lines.count("create save image directory error"), 3u);
}

TEST_F(ReceiveDir, ClearingRemovesThePagesAndTheDirectory) {
    ASSERT_TRUE(model.createReceiveDir(temp.path()).status);
    for (const char* page : {"/file-0001.jpg", "/file-0002.jpg"}) {
        std::ofstream(model.receiveDir() + page) << "page";
    }
    model.clearReceiveDir();
    EXPECT_FALSE(fs::exists(model.receiveDir()));
    EXPECT_TRUE(fs::is_directory(temp.path()));
    EXPECT_FALSE(lines.contains("clear receive dir error"));
}

TEST_F(ReceiveDir, ClearingAGoneDirectoryReportsOnce) {
    ASSERT_TRUE(model.createReceiveDir(temp.path()).status);
    model.clearReceiveDir();
    model.clearReceiveDir();
    EXPECT_EQ(lines.count("clear receive dir error"), 1u);
    EXPECT_TRUE(fs::is_directory(temp.path()));
}

TEST_F(ReceiveDir, ClearingStopsAtTheFirstFailure) {
    ASSERT_TRUE(model.createReceiveDir(temp.path()).status);
    fs::create_directory(model.receiveDir() + "/nested");
    std::ofstream(model.receiveDir() + "/nested/page") << "page";
    model.clearReceiveDir();
    EXPECT_EQ(lines.count("clear receive dir error"), 1u);
    EXPECT_TRUE(fs::exists(model.receiveDir() + "/nested/page"));
}

TEST_F(ReceiveDir, ClearingBeforeAnyScanRemovesNothing) {
    model.clearReceiveDir();
    EXPECT_EQ(lines.count("clear receive dir error"), 1u);
    EXPECT_TRUE(fs::is_directory(temp.path()));
}

}  // namespace
}  // namespace scandesk
