// The built backend driven by Debian's scanimage against the virtual scanner on loopback.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "e2e/child_process.h"
#include "support/temp_dir.h"

namespace scandesk::testing {
namespace {

using namespace std::chrono_literals;

// A PNM file as scanimage writes it (P4 lineart with 1 = black, P5 grey, P6 RGB).
struct Pnm {
    std::string magic, comment;
    int width = 0, height = 0, maximum = 0;
    std::string pixels;

    explicit Pnm(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        in >> magic >> std::ws;
        std::getline(in, comment);  // "# SANE data follows"
        in >> width >> height;
        if (magic != "P4") {
            in >> maximum;
        }
        in.get();
        pixels.assign(std::istreambuf_iterator<char>(in), {});
    }
    // Black in P4; in P6 without green, as the red corner mark and the black page number.
    bool marked(int x, int y) const {
        if (magic == "P4") {
            return (pixels[static_cast<size_t>(y * ((width + 7) / 8) + x / 8)] >> (7 - x % 8)) & 1;
        }
        return static_cast<uint8_t>(pixels[static_cast<size_t>(y * width + x) * 3 + 1]) < 64;
    }
};

class Scanimage : public ::testing::Test {
  protected:
    void SetUp() override {
        if (::access("/usr/bin/scanimage", X_OK) != 0) {
            GTEST_SKIP() << "scanimage is not installed (Debian package sane-utils)";
        }
        std::ofstream(file("dll.conf")) << "scandesk\n";
    }
    // The virtual scanner with these options, configured as the only scanner.
    void serve(const std::vector<std::string>& options) {
        scanner_.emplace(options);
        std::ofstream(file("scandesk.conf"))
            << "net 127.0.0.1:" << scanner_->port() << " model Tessel T3\n";
    }
    // scanimage with `args`, after `prefix` (a program that runs it).
    ProgramRun scan(const std::vector<std::string>& args, std::vector<std::string> argv = {}) {
        argv.insert(argv.end(), {"env", "SANE_CONFIG_DIR=" + dir_.path(),
                                 "LD_LIBRARY_PATH=" SCANDESK_SANE_LIBDIR});
        std::istringstream sanitizer(SCANDESK_SANE_ENV);  // VAR=value words, maybe none
        for (std::string word; sanitizer >> word;) {
            argv.push_back(word);
        }
        argv.emplace_back("scanimage");
        argv.insert(argv.end(), args.begin(), args.end());
        return runProgram(argv, "", 60s);
    }
    std::string file(const std::string& name) const { return dir_.path() + "/" + name; }

    TempDir dir_;
    std::optional<VirtualScanner> scanner_;
};

TEST_F(Scanimage, ListsTheScannerAndItsOptionsAndPassesItsBackendTest) {
    serve({"--pages", "20"});
    const std::string listed = "scandesk:net:127.0.0.1:" + std::to_string(scanner_->port()) +
                               "' is a KEST Tessel T3 sheetfed scanner";
    const std::pair<std::vector<std::string>, std::vector<std::string>> cases[] = {
        {{"-L"}, {listed}},
        {{"-A"}, {"--mode Color|Gray|Lineart", "--source Auto|ADF|Flatbed", "-x 0.."}},
        {{"-T", "--resolution", "200"}, {}},
    };
    for (const auto& [args, shown] : cases) {
        const ProgramRun run = scan(args);
        EXPECT_EQ(run.status, 0) << args[0] << run.err;
        for (const std::string& text : shown) {
            EXPECT_NE(run.out.find(text), std::string::npos) << text << "\n" << run.out;
        }
    }
}

TEST_F(Scanimage, BatchesOfThreePagesHaveTheirFormatSizeAndCornerMark) {
    // Mode, area, format, size, and whether the corner mark (a 75-pixel square) is shown.
    const std::tuple<std::string, std::vector<std::string>, std::string, int, int, bool> cases[] = {
        {"Color", {}, "P6", 2432, 3441, true},
        {"Lineart", {}, "P4", 2432, 3441, true},
        {"Color", {"-l", "10", "-t", "10", "-x", "50", "-y", "60"}, "P6", 591, 709, false},
    };
    int batch = 0;
    for (const auto& [mode, area, magic, width, height, mark] : cases) {
        serve({"--pages", "3"});
        const std::string name = file(std::to_string(++batch) + "-");
        std::vector<std::string> args = area;
        args.insert(args.end(), {"--source", "ADF", "--mode", mode, "--resolution", "300",
                                 "--format=pnm", "--batch=" + name + "%d.pnm"});
        const ProgramRun run = scan(args);
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_FALSE(std::filesystem::exists(name + "4.pnm"));
        for (int page = 1; page <= 3; ++page) {
            const Pnm pnm(name + std::to_string(page) + ".pnm");
            EXPECT_EQ(std::tie(pnm.magic, pnm.width, pnm.height), std::tie(magic, width, height));
            ASSERT_EQ(
                pnm.pixels.size(),
                static_cast<size_t>(magic == "P4" ? (width + 7) / 8 * height : width * 3 * height));
            EXPECT_EQ(pnm.marked(5, 5) && pnm.marked(70, 70), mark) << batch << page;
            EXPECT_FALSE(pnm.marked(5, 80) || pnm.marked(width - 30, height - 40));
        }
    }
}

TEST_F(Scanimage, FeederJamAndInterruptEndWithTheirExitStatus) {
    // Scanner options, a program running scanimage, exit status, whether page 1 is kept.
    const std::tuple<std::vector<std::string>, std::vector<std::string>, int, bool> cases[] = {
        {{"--feeder", "empty"}, {}, 7, false},                                     // NO_DOCS
        {{"--pages", "3", "--fail-after", "1", "--status", "0xC3"}, {}, 6, true},  // JAMMED
        // SIGINT while waiting for a reply that never comes: CANCELLED, promptly. Only in the
        // foreground does timeout signal the program once; scanimage takes a second SIGINT
        // as "abort" and exits with 0.
        {{"--silent-after", "1"},
         {"timeout", "--foreground", "--preserve-status", "-s", "INT", "1.5"},
         2,
         false},
    };
    for (const auto& [options, prefix, status, pageKept] : cases) {
        serve(options);
        const auto begun = std::chrono::steady_clock::now();
        const ProgramRun run = scan({"--source", "ADF", "--batch=" + file("f%d.pnm")}, prefix);
        EXPECT_EQ(run.status, status) << run.err;
        EXPECT_LT(std::chrono::steady_clock::now() - begun, 5s);
        EXPECT_EQ(std::filesystem::exists(file("f1.pnm")), pageKept);
        EXPECT_FALSE(std::filesystem::exists(file("f2.pnm")));
        std::filesystem::remove(file("f1.pnm"));
    }
}

}  // namespace
}  // namespace scandesk::testing
