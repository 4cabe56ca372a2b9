// The built backend driven by Debian's scanimage against the virtual scanner on loopback.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "e2e/child_process.h"
#include "support/temp_dir.h"

namespace scandesk::testing {
namespace {

using namespace std::chrono_literals;

// A PNM file as scanimage writes it (P4 lineart with 1 = black, P5 grey, P6 RGB).
struct Pnm {
    std::string magic;
    int width = 0;
    int height = 0;
    std::string pixels;

    // The pixel's darkness check per format: black in P4, dark in P5, red in P6.
    bool marked(int x, int y) const {
        if (magic == "P4") {
            const size_t row = static_cast<size_t>((width + 7) / 8);
            return (pixels[y * row + x / 8] >> (7 - x % 8)) & 1;
        }
        if (magic == "P5") {
            return static_cast<uint8_t>(pixels[static_cast<size_t>(y * width + x)]) < 64;
        }
        const auto* p =
            reinterpret_cast<const uint8_t*>(&pixels[static_cast<size_t>(y * width + x) * 3]);
        return p[0] > 192 && p[1] < 64 && p[2] < 64;
    }
};

Pnm readPnm(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    Pnm pnm;
    in >> pnm.magic;
    auto number = [&] {
        in >> std::ws;
        while (in.peek() == '#') {
            in.ignore(1 << 20, '\n');
        }
        int n = 0;
        in >> n;
        return n;
    };
    pnm.width = number();
    pnm.height = number();
    if (pnm.magic != "P4") {
        number();  // maximum value
    }
    in.get();
    pnm.pixels.assign(std::istreambuf_iterator<char>(in), {});
    return pnm;
}

class Scanimage : public ::testing::Test {
  protected:
    void SetUp() override {
        if (::access("/usr/bin/scanimage", X_OK) != 0) {
            GTEST_SKIP() << "scanimage is not installed (Debian package sane-utils)";
        }
        std::ofstream(dir_.path() + "/dll.conf") << "scandesk\n";
    }
    // The virtual scanner with these options, configured as the only scanner.
    void serve(const std::vector<std::string>& options) {
        scanner_.emplace(options);
        std::ofstream(dir_.path() + "/scandesk.conf")
            << "net 127.0.0.1:" << scanner_->port() << " model Tessel T3\n";
    }
    std::vector<std::string> command(const std::vector<std::string>& args) const {
        std::vector<std::string> argv{"env", "SANE_CONFIG_DIR=" + dir_.path(),
                                      "LD_LIBRARY_PATH=" SCANDESK_SANE_LIBDIR};
        std::istringstream sanitizer(SCANDESK_SANE_ENV);  // VAR=value words, maybe none
        for (std::string word; sanitizer >> word;) {
            argv.push_back(word);
        }
        argv.emplace_back("scanimage");
        argv.insert(argv.end(), args.begin(), args.end());
        return argv;
    }
    ProgramRun scan(const std::vector<std::string>& args) {
        return runProgram(command(args), "", 60s);
    }
    std::string file(const std::string& name) const { return dir_.path() + "/" + name; }

    TempDir dir_;
    std::optional<VirtualScanner> scanner_;
};

TEST_F(Scanimage, ListsTheScannerAndItsOptions) {
    serve({"--pages", "1"});
    const ProgramRun list = scan({"-L"});
    EXPECT_EQ(list.status, 0);
    EXPECT_NE(list.out.find("scandesk:net:127.0.0.1:" + std::to_string(scanner_->port()) +
                            "' is a KEST Tessel T3 sheetfed scanner"),
              std::string::npos)
        << list.out;
    const ProgramRun all = scan({"-A"});
    EXPECT_EQ(all.status, 0);
    for (const char* option :
         {"--mode Color|Gray|Lineart", "--source Auto|ADF|Flatbed", "--resolution 200|300|600dpi",
          "-l 0..", "-t 0..", "-x 0..", "-y 0.."}) {
        EXPECT_NE(all.out.find(option), std::string::npos) << option << "\n" << all.out;
    }
}

TEST_F(Scanimage, BatchesOfThreePagesHaveTheirSizeAndCornerMark) {
    struct Case {
        const char* mode;
        const char* magic;
    };
    for (const Case& c : {Case{"Color", "P6"}, Case{"Lineart", "P4"}}) {
        serve({"--pages", "3"});
        const std::string pattern = file(std::string(c.mode) + "-%d.pnm");
        const ProgramRun run = scan({"--source", "ADF", "--mode", c.mode, "--resolution", "300",
                                     "--batch=" + pattern, "--format=pnm"});
        EXPECT_EQ(run.status, 0) << run.err;
        for (int page = 1; page <= 4; ++page) {
            const std::string path =
                file(std::string(c.mode) + "-" + std::to_string(page) + ".pnm");
            ASSERT_EQ(std::filesystem::exists(path), page <= 3) << path;
            if (page > 3) {
                break;
            }
            const Pnm pnm = readPnm(path);
            EXPECT_EQ(pnm.magic, c.magic);
            EXPECT_EQ(pnm.width, 2432);
            EXPECT_EQ(pnm.height, 3441);
            // The mark is a 75-pixel square at the top-left corner; below it, paper.
            EXPECT_TRUE(pnm.marked(5, 5) && pnm.marked(70, 70)) << c.mode << page;
            EXPECT_FALSE(pnm.marked(5, 80) || pnm.marked(2400, 3400)) << c.mode << page;
        }
    }
}

TEST_F(Scanimage, ACroppedAreaAt300DpiAsPng) {
    serve({"--pages", "1"});
    const ProgramRun run = scan({"--resolution", "300", "-l", "10", "-t", "10", "-x", "50", "-y",
                                 "60", "--format=png", "-o", file("crop.png")});
    ASSERT_EQ(run.status, 0) << run.err;
    std::ifstream png(file("crop.png"), std::ios::binary);
    std::string head(24, '\0');
    png.read(head.data(), 24);
    ASSERT_EQ(head.substr(0, 8), "\x89PNG\r\n\x1a\n");
    auto big = [&](size_t at) {
        return (uint8_t(head[at]) << 24) | (uint8_t(head[at + 1]) << 16) |
               (uint8_t(head[at + 2]) << 8) | uint8_t(head[at + 3]);
    };
    EXPECT_EQ(big(16), 591u);  // 50 mm at 300 dpi
    EXPECT_EQ(big(20), 709u);  // 60 mm
}

TEST_F(Scanimage, FeederAndJamEndWithTheirExitStatus) {
    struct Case {
        std::vector<std::string> scanner;
        int status;
        int pages;
    };
    for (const Case& c : {Case{{"--feeder", "empty"}, 7, 0},
                          Case{{"--pages", "3", "--fail-after", "1", "--status", "0xC3"}, 6, 1}}) {
        serve(c.scanner);
        const ProgramRun run = scan({"--source", "ADF", "--batch=" + file("f%d.pnm")});
        EXPECT_EQ(run.status, c.status) << run.err;
        EXPECT_EQ(std::filesystem::exists(file("f1.pnm")), c.pages > 0);
        EXPECT_FALSE(std::filesystem::exists(file("f2.pnm")));
    }
}

TEST_F(Scanimage, InterruptDuringASilentScannerEndsPromptly) {
    serve({"--silent-after", "1"});
    const std::vector<std::string> args = command({"-o", file("never.pnm")});
    std::vector<char*> argv;
    for (const std::string& a : args) {
        argv.push_back(const_cast<char*>(a.c_str()));
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    ASSERT_EQ(posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    std::this_thread::sleep_for(1500ms);  // connected, waiting for a reply that never comes
    ::kill(pid, SIGINT);
    const auto signalled = std::chrono::steady_clock::now();
    int status = 0;
    while (::waitpid(pid, &status, WNOHANG) == 0 &&
           std::chrono::steady_clock::now() - signalled < 10s) {
        std::this_thread::sleep_for(20ms);
    }
    if (!WIFEXITED(status) && !WIFSIGNALED(status)) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
        FAIL() << "scanimage did not end after SIGINT";
    }
    EXPECT_LT(std::chrono::steady_clock::now() - signalled, 3s);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 2);  // SANE_STATUS_CANCELLED
}

TEST_F(Scanimage, PassesItsOwnBackendTest) {
    serve({"--pages", "20"});
    const ProgramRun run = scan({"-T", "--resolution", "200"});
    EXPECT_EQ(run.status, 0) << run.err;
}

}  // namespace
}  // namespace scandesk::testing
