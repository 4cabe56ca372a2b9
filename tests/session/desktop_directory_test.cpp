// Finding the desktop directory from the XDG user-dirs file.
#include "session/desktop_directory.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/temp_dir.h"

namespace scandesk {
namespace {

TEST(DesktopDirectory, FollowsTheUserDirsFileAndFallsBackToDesktop) {
    struct Row {
        const char* name;
        const char* file;  // nullptr: no file
        std::string expected;
    };
    testing::TempDir config;
    for (const Row& row : {
             Row{"no file", nullptr, "/home/u/Desktop"},
             Row{"home relative", "XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n",
                 "/home/u/Schreibtisch"},
             Row{"absolute",
                 "# comment\nXDG_DOWNLOAD_DIR=\"$HOME/dl\"\nXDG_DESKTOP_DIR=\"/data/d\"\n",
                 "/data/d"},
             Row{"relative is ignored", "XDG_DESKTOP_DIR=\"Desk\"\n", "/home/u/Desktop"},
         }) {
        SCOPED_TRACE(row.name);
        const std::string file = config.path() + "/user-dirs.dirs";
        std::filesystem::remove(file);
        if (row.file) {
            std::ofstream(file) << row.file;
        }
        EXPECT_EQ(desktopDirectoryFor("/home/u", config.path()), row.expected);
    }
}

}  // namespace
}  // namespace scandesk
