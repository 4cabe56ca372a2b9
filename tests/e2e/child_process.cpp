// Starting, watching and stopping the programs of the end-to-end tests.
#include "child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <regex>
#include <stdexcept>

#include "support/temp_dir.h"

extern char** environ;

namespace scandesk::testing {
namespace {

// How long the virtual scanner may take to name its port.
constexpr int kStartTimeoutMs = 5000;

// Starts `argv` with the given standard streams (input: none when negative). A bare
// program name is looked up through PATH.
pid_t spawn(const std::vector<std::string>& argv, int inFd, int outFd, int errFd) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (inFd >= 0) {
        posix_spawn_file_actions_adddup2(&actions, inFd, STDIN_FILENO);
    }
    posix_spawn_file_actions_adddup2(&actions, outFd, STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, errFd, STDERR_FILENO);
    std::vector<char*> args;
    for (const auto& arg : argv) {
        args.push_back(const_cast<char*>(arg.c_str()));
    }
    args.push_back(nullptr);
    pid_t pid = -1;
    const int error = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) {
        throw std::runtime_error("cannot start " + argv[0]);
    }
    return pid;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

VirtualScanner::VirtualScanner(const std::vector<std::string>& options) {
    std::vector<std::string> argv{SCANDESK_EMULATOR, "--bind", "127.0.0.1", "--port", "0"};
    argv.insert(argv.end(), options.begin(), options.end());
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        throw std::runtime_error("cannot make a pipe");
    }
    // Standard output carries the listening line and little else, so the pipe never fills;
    // the connection log on standard error is not wanted.
    const int quiet = open("/dev/null", O_WRONLY | O_CLOEXEC);
    pid_ = spawn(argv, -1, fds[1], quiet);
    close(fds[1]);
    close(quiet);
    output_ = fds[0];

    // The emulator writes its first line at once; a silent one gives up after the timeout.
    std::string line;
    pollfd readable{output_, POLLIN, 0};
    for (char c = 0;
         poll(&readable, 1, kStartTimeoutMs) > 0 && read(output_, &c, 1) == 1 && c != '\n';) {
        line += c;
    }
    std::smatch match;
    if (!std::regex_match(line, match,
                          std::regex(R"(scandesk-emulator listening on 127\.0\.0\.1:(\d+))"))) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        close(output_);
        throw std::runtime_error("the virtual scanner did not start: " + line);
    }
    port_ = static_cast<uint16_t>(std::stoi(match[1]));
}

VirtualScanner::~VirtualScanner() {
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
    close(output_);
}

ProgramRun runProgram(const std::vector<std::string>& argv, const std::string& input,
                      std::chrono::seconds limit, bool holdInput) {
    const TempDir dir;
    std::ofstream(dir.path() + "/in") << input;
    const auto file = [&dir](const char* name, int flags) {
        return open((dir.path() + name).c_str(), flags | O_CLOEXEC, 0600);
    };
    int held[2] = {-1, -1};
    if (holdInput && pipe2(held, O_CLOEXEC) != 0) {
        throw std::runtime_error("cannot make a pipe");
    }
    const int fds[] = {holdInput ? held[0] : file("/in", O_RDONLY),
                       file("/out", O_WRONLY | O_CREAT), file("/err", O_WRONLY | O_CREAT)};
    // coreutils' timeout bounds the run and passes the program's exit status on.
    std::vector<std::string> bounded{"timeout", "--kill-after=2", std::to_string(limit.count())};
    bounded.insert(bounded.end(), argv.begin(), argv.end());
    const pid_t pid = spawn(bounded, fds[0], fds[1], fds[2]);
    for (const int fd : fds) {
        close(fd);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    close(held[1]);  // -1 without a held input
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, readFile(dir.path() + "/out"),
            readFile(dir.path() + "/err")};
}

int pdfPageCount(const std::string& path) {
    const ProgramRun info = runProgram({"pdfinfo", path}, "", std::chrono::seconds(10));
    std::smatch match;
    if (!std::regex_search(info.out, match, std::regex("Pages:\\s+([0-9]+)"))) {
        return -1;
    }
    return std::stoi(match[1]);
}

}  // namespace scandesk::testing
