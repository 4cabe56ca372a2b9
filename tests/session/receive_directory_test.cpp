// Creating and removing the time-stamped receive directory through the model.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "fake_services.h"
#include "session/scanner_model.h"
#include "support/captured_lines.h"
#include "support/temp_dir.h"

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

TEST_F(ReceiveDir, IsNamedByTheLocalTimeWithASuffixWhenTheNameIsTaken) {
    const std::string stamp = temp.path() + "/20240305140709";
    struct Row {
        std::string saveDir;
        bool created;
        std::string receiveDir;  // kept on failure too, as the scan flow reports it
    };
    // The same second again and again (a file takes a name as well as a directory), then
    // parents where nothing can be made: a missing one and a file.
    const std::vector<Row> rows{
        {temp.path() + "/", true, temp.path() + "//20240305140709"},  // the system takes "//"
        {temp.path(), true, stamp + "-2"},
        {temp.path(), true, stamp + "-3"},
        {temp.path(), true, stamp + "-5"},
        {temp.path() + "/missing", false, temp.path() + "/missing/20240305140709"},
        {stamp + "-4", false, stamp + "-4/20240305140709"},
    };
    std::ofstream(stamp + "-4") << "x";
    for (const Row& row : rows) {
        SCOPED_TRACE(row.saveDir);
        EXPECT_EQ(model.createReceiveDir(row.saveDir).status, row.created);
        EXPECT_EQ(model.receiveDir(), row.receiveDir);
        EXPECT_EQ(fs::is_directory(row.receiveDir), row.created);
        EXPECT_EQ(lines.contains("receive directory created: " + row.receiveDir), row.created);
    }
    EXPECT_EQ(model.createReceiveDir(temp.path() + "/missing"),
              (ResultPair{false, "cannotCreateReceiveDir"}));
    // Nothing is left behind by the failures.
    EXPECT_EQ(std::distance(fs::directory_iterator(temp.path()), fs::directory_iterator()), 5);
}

TEST_F(ReceiveDir, ClearingRemovesThePagesThenReportsEachFailureOnce) {
    model.clearReceiveDir();  // before any scan: nothing to remove
    EXPECT_EQ(lines.count("clear receive dir error"), 1u);

    ASSERT_TRUE(model.createReceiveDir(temp.path()).status);
    std::ofstream(model.receiveDir() + "/file-0001.jpg") << "page";
    std::ofstream(model.receiveDir() + "/file-0002.jpg") << "page";
    model.clearReceiveDir();
    EXPECT_FALSE(fs::exists(model.receiveDir()));
    EXPECT_EQ(lines.count("clear receive dir error"), 1u);

    model.clearReceiveDir();  // gone already
    EXPECT_EQ(lines.count("clear receive dir error"), 2u);
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

}  // namespace
}  // namespace scandesk
