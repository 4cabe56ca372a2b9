// Starting, watching and stopping the programs of the end-to-end tests.
#include "child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace scandesk::testing {
namespace {

// How long the virtual scanner may take to name its port.
constexpr std::chrono::seconds kStartTimeout{5};

// Starts `argv` with standard output and error on `outFd`, input from `inFd` (or none). A
// bare program name is looked up through PATH.
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
    pid_ = spawn(argv, -1, fds[1], fds[1]);
    close(fds[1]);
    output_ = fds[0];
    reader_ = std::thread([this] { readOutput(); });

    const std::regex listening("^scandesk-emulator listening on 127\\.0\\.0\\.1:([0-9]+)$");
    std::unique_lock lock(mutex_);
    lineArrived_.wait_for(lock, kStartTimeout, [&] { return ended_ || !lines_.empty(); });
    std::smatch match;
    if (lines_.empty() || !std::regex_match(lines_.front(), match, listening)) {
        lock.unlock();
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        reader_.join();
        close(output_);
        throw std::runtime_error("the virtual scanner did not start");
    }
    port_ = static_cast<uint16_t>(std::stoi(match[1]));
}

VirtualScanner::~VirtualScanner() {
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
    reader_.join();
    close(output_);
}

void VirtualScanner::readOutput() {
    std::string pending;
    std::array<char, 4096> buffer;
    for (;;) {
        const ssize_t count = read(output_, buffer.data(), buffer.size());
        if (count <= 0) {
            break;
        }
        pending.append(buffer.data(), static_cast<size_t>(count));
        for (size_t end; (end = pending.find('\n')) != std::string::npos;) {
            std::lock_guard lock(mutex_);
            lines_.push_back(pending.substr(0, end));
            pending.erase(0, end + 1);
            lineArrived_.notify_all();
        }
    }
    std::lock_guard lock(mutex_);
    ended_ = true;
    lineArrived_.notify_all();
}

ProgramRun runProgram(const std::vector<std::string>& argv, const std::string& input,
                      std::chrono::seconds limit) {
    std::string pattern = std::filesystem::temp_directory_path() / "scandesk-run-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot make a directory");
    }
    const std::string dir = pattern;
    std::ofstream(dir + "/in") << input;
    const int in = open((dir + "/in").c_str(), O_RDONLY | O_CLOEXEC);
    const int out = open((dir + "/out").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    const int err = open((dir + "/err").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    // coreutils' timeout bounds the run and passes the program's exit status on.
    std::vector<std::string> bounded{"timeout", "--kill-after=2", std::to_string(limit.count())};
    bounded.insert(bounded.end(), argv.begin(), argv.end());
    const pid_t pid = spawn(bounded, in, out, err);
    close(in);
    close(out);
    close(err);
    int status = 0;
    waitpid(pid, &status, 0);
    ProgramRun run;
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = readFile(dir + "/out");
    run.err = readFile(dir + "/err");
    std::filesystem::remove_all(dir);
    return run;
}

int pdfPageCount(const std::string& path) {
    const std::string command = "pdfinfo '" + path + "' 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return -1;
    }
    std::string text;
    std::array<char, 256> buffer;
    while (fgets(buffer.data(), buffer.size(), pipe) != nullptr) {
        text += buffer.data();
    }
    pclose(pipe);
    std::smatch match;
    if (!std::regex_search(text, match, std::regex("Pages:\\s+([0-9]+)"))) {
        return -1;
    }
    return std::stoi(match[1]);
}

}  // namespace scandesk::testing
