// Creating and removing the time-stamped receive directory through the model.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "fake_services.h"
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

TEST_F(ReceiveDir, IsNamedByTheLocalTimeAndMustBeNew) {
    EXPECT_EQ(model.createReceiveDir(temp.path() + "/"), (ResultPair{true, "ok"}));
    const std::string made = temp.path() + "//20240305140709";  // the file system takes "//"
    EXPECT_EQ(model.receiveDir(), made);
    EXPECT_TRUE(fs::is_directory(made));
    EXPECT_TRUE(lines.contains("receive directory created: " + made));
    std::ofstream(made + "/f") << "x";

    // The same second again, a missing parent, a file as parent: the path is kept anyway.
    for (const std::string& saveDir : {temp.path(), temp.path() + "/missing", made + "/f"}) {
        SCOPED_TRACE(saveDir);
        EXPECT_EQ(model.createReceiveDir(saveDir), (ResultPair{false, "cannotCreateReceiveDir"}));
        EXPECT_EQ(model.receiveDir(), saveDir + "/20240305140709");
    }
    EXPECT_FALSE(fs::exists(temp.path() + "/missing"));
    EXPECT_EQ(lines.count("create save image directory error"), 3u);
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
