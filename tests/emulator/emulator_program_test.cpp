// scandesk-emulator as a program: started on a chosen port, scanned from, then it exits.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <thread>

#include "job_params.h"
#include "network/socket_scan_process.h"

extern char** environ;

namespace scandesk::emulator {
namespace {

constexpr auto kStartTimeout = std::chrono::seconds(5);
constexpr auto kExitTimeout = std::chrono::seconds(5);

// The emulator started by one test; stopped by its PID if it has not exited by the end.
class EmulatorProcess {
  public:
    explicit EmulatorProcess(std::vector<std::string> args) {
        int out[2];
        EXPECT_EQ(::pipe2(out, O_CLOEXEC), 0);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        args.insert(args.begin(), SCANDESK_EMULATOR_PATH);
        std::vector<char*> argv;
        for (auto& arg : args) {
            argv.push_back(arg.data());
        }
        argv.push_back(nullptr);
        EXPECT_EQ(
            ::posix_spawn(&pid_, SCANDESK_EMULATOR_PATH, &actions, nullptr, argv.data(), environ),
            0);
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        output_ = out[0];
    }

    ~EmulatorProcess() {
        if (pid_ > 0 && !exited_) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
        ::close(output_);
    }

    /// The first line the program writes, waiting a bounded time.
    std::string firstLine() {
        std::string line;
        const auto deadline = std::chrono::steady_clock::now() + kStartTimeout;
        char c = 0;
        while (std::chrono::steady_clock::now() < deadline) {
            pollfd entry{output_, POLLIN, 0};
            if (::poll(&entry, 1, 100) <= 0) {
                continue;
            }
            if (::read(output_, &c, 1) != 1 || c == '\n') {
                break;
            }
            line += c;
        }
        return line;
    }

    /// The exit status, or nothing when the program is still running after the wait.
    std::optional<int> exitStatus() {
        const auto deadline = std::chrono::steady_clock::now() + kExitTimeout;
        while (std::chrono::steady_clock::now() < deadline) {
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                exited_ = true;
                return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return std::nullopt;
    }

  private:
    pid_t pid_ = -1;
    int output_ = -1;
    bool exited_ = false;
};

TEST(EmulatorProgram, ServesTheAskedConnectionsThenExits) {
    const std::string log =
        ::testing::TempDir() + "emulator-program-" + std::to_string(::getpid()) + ".log";
    EmulatorProcess emulator({"--port", "0", "--pages", "2", "--connections", "1", "--split",
                              "--block-size", "100", "--log", log});
    const std::string line = emulator.firstLine();
    const std::string prefix = "scandesk-emulator listening on 127.0.0.1:";
    ASSERT_TRUE(line.starts_with(prefix)) << line;

    NetworkScanOptions options;
    options.port = static_cast<uint16_t>(std::stoi(line.substr(prefix.size())));
    Device scanner;
    scanner.type = "Net";
    scanner.ip = "127.0.0.1";
    int pages = 0;
    SocketScanProcess process(
        scanner, ScanCommand(test::smallJob("TEXT")),
        [&](const ScanParam&, int, const Bytes&) {
            ++pages;
            return ResultPair{true, "saveSuccessfully"};
        },
        options);
    EXPECT_EQ(process.start({}), (ScanOutcome{ScanCode::completed, 2, false, {}}));
    EXPECT_EQ(pages, 2);
    EXPECT_EQ(emulator.exitStatus(), 0);

    std::ifstream logged(log);
    std::string first;
    std::getline(logged, first);
    EXPECT_TRUE(first.starts_with("1B 44 0A 41 55 54 4F 0A C2 80")) << first;  // ESC D LF AUTO
    std::remove(log.c_str());
}

TEST(EmulatorProgram, HelpAndBadFlags) {
    EmulatorProcess help({"--help"});
    EXPECT_TRUE(help.firstLine().starts_with("usage: scandesk-emulator"));
    EXPECT_EQ(help.exitStatus(), 0);
    EmulatorProcess bad({"--pages", "many"});
    EXPECT_EQ(bad.exitStatus(), 2);
}

}  // namespace
}  // namespace scandesk::emulator
