// Builds and tears down the private networks of the discovery tests.
#include "snmp_test_network.h"

#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <regex>
#include <thread>

#include "network/unique_fd.h"

namespace scandesk::testing {
namespace {

using std::chrono::milliseconds;
constexpr const char* NAMESPACE_DIR = "/run/netns/";
constexpr const char* NAMESPACE_PREFIX = "sdsnmp";

// Runs a command of names and addresses made here (nothing to quote); its error output
// when it fails, else nothing.
std::optional<std::string> failureOf(const std::vector<std::string>& argv) {
    std::string command;
    for (const auto& arg : argv) {
        command += arg + " ";
    }
    FILE* pipe = ::popen((command + "2>&1 >/dev/null").c_str(), "r");
    if (pipe == nullptr) {
        return command + ": " + std::strerror(errno);
    }
    std::string errors = command + "failed: ";
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
        errors += buffer;
    }
    const int status = ::pclose(pipe);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? std::nullopt : std::optional(errors);
}

// Whether the process has a UDP socket bound to any address on `port`, in its namespace.
bool listensOn(pid_t pid, uint16_t port) {
    char local[32];
    std::snprintf(local, sizeof local, " 00000000:%04X ", port);
    std::ifstream table("/proc/" + std::to_string(pid) + "/net/udp");
    for (std::string line; std::getline(table, line);) {
        if (line.find(local) != std::string::npos) {
            return true;
        }
    }
    return false;
}

// Deletes namespaces left by test processes of this suite that died without tearing
// down (a sanitizer abort): their PID is in the name and no longer runs.
void sweepAbandonedNamespaces() {
    std::error_code error;
    const std::regex ours(std::string("^") + NAMESPACE_PREFIX + "([0-9]+)[ha][0-9]*$");
    for (const auto& entry : std::filesystem::directory_iterator(NAMESPACE_DIR, error)) {
        const std::string name = entry.path().filename().string();
        std::smatch match;
        if (std::regex_match(name, match, ours) && ::kill(std::stoi(match[1].str()), 0) != 0 &&
            errno == ESRCH) {
            failureOf({"ip", "netns", "del", name});
        }
    }
}

}  // namespace

NetworkLab::NetworkLab() : prefix_(NAMESPACE_PREFIX + std::to_string(::getpid())) {
    if (::geteuid() != 0 || ::access(SCANDESK_SNMPD_PROGRAM, X_OK) != 0) {
        failure_ = "the discovery network tests need root (for namespaces) and snmpd";
        unavailable_ = true;
        return;
    }
    sweepAbandonedNamespaces();
    directory_.emplace();
    host_ = prefix_ + "h";
    if (run({"ip", "netns", "add", host_})) {
        namespaces_.push_back(host_);
    }
    run({"ip", "-n", host_, "link", "set", "lo", "up"});
}

NetworkLab::~NetworkLab() {
    for (const pid_t pid : programs_) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
    }
    for (const auto& name : namespaces_) {
        failureOf({"ip", "netns", "del", name});
    }
}

bool NetworkLab::run(const std::vector<std::string>& argv) {
    if (failure_.empty()) {
        failure_ = failureOf(argv).value_or("");
    }
    return failure_.empty();
}

std::string NetworkLab::addSubnet(const std::string& hostCidr) {
    const std::string bridge = "br" + std::to_string(++subnets_);
    run({"ip", "-n", host_, "link", "add", bridge, "type", "bridge"});
    run({"ip", "-n", host_, "addr", "add", hostCidr, "brd", "+", "dev", bridge});
    run({"ip", "-n", host_, "link", "set", bridge, "up"});
    return bridge;
}

void NetworkLab::addHostInterface(const std::string& bridge, const std::string& hostCidr) {
    const std::string port = "hp" + std::to_string(++peers_);
    const std::string end = "hx" + std::to_string(peers_);
    run({"ip", "-n", host_, "link", "add", port, "type", "veth", "peer", "name", end});
    run({"ip", "-n", host_, "link", "set", port, "master", bridge, "up"});
    run({"ip", "-n", host_, "addr", "add", hostCidr, "brd", "+", "dev", end});
    run({"ip", "-n", host_, "link", "set", end, "up"});
}

std::string NetworkLab::addPeer(const std::string& bridge, const std::string& cidr) {
    const std::string index = std::to_string(++peers_);
    const std::string ns = prefix_ + "a" + index;
    if (run({"ip", "netns", "add", ns})) {
        namespaces_.push_back(ns);
    }
    run({"ip", "-n", host_, "link", "add", "hv" + index, "type", "veth", "peer", "name", "eth0",
         "netns", ns});
    run({"ip", "-n", host_, "link", "set", "hv" + index, "master", bridge, "up"});
    run({"ip", "-n", ns, "addr", "add", cidr, "brd", "+", "dev", "eth0"});
    run({"ip", "-n", ns, "link", "set", "eth0", "up"});
    run({"ip", "-n", ns, "link", "set", "lo", "up"});
    return ns;
}

void NetworkLab::addAgent(const std::string& bridge, const std::string& cidr,
                          const std::vector<std::string>& configLines, uint16_t port) {
    const std::string ns = addPeer(bridge, cidr);
    if (!failure_.empty()) {
        return;
    }
    const auto dir = std::filesystem::path(directory_->path()) / ns;
    std::filesystem::create_directories(dir);
    std::ofstream config(dir / "snmpd.conf");
    config << "agentaddress udp:" << port << "\nrocommunity orvelt\n";
    for (const auto& line : configLines) {
        config << line << '\n';
    }
    config.close();
    startListening(ns, {SCANDESK_SNMPD_PROGRAM, "-f", "-Lo", "-C", "-c", dir / "snmpd.conf"},
                   {"SNMP_PERSISTENT_DIR=" + dir.string(), "SNMPCONFPATH=" + dir.string(),
                    "HOME=" + dir.string(), std::string("LD_PRELOAD=") + SCANDESK_SNMP_AGENT_SHIM},
                   port);
}

void NetworkLab::startListening(const std::string& ns, std::vector<std::string> argv,
                                std::vector<std::string> env, uint16_t port) {
    if (!failure_.empty()) {
        return;
    }
    env.insert(env.end(), {"PATH=/usr/sbin:/usr/bin:/sbin:/bin", "MIBS="});
    for (const char* name : {"ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"}) {
        if (const char* value = std::getenv(name)) {
            env.push_back(std::string(name) + "=" + value);
        }
    }
    const auto log = std::filesystem::path(directory_->path()) / (ns + ".log");
    const UniqueFd nsFile(::open((NAMESPACE_DIR + ns).c_str(), O_RDONLY | O_CLOEXEC));
    const UniqueFd logFile(::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    std::vector<char*> args;
    std::vector<char*> vars;
    for (auto& arg : argv) {
        args.push_back(arg.data());
    }
    for (auto& var : env) {
        vars.push_back(var.data());
    }
    args.push_back(nullptr);
    vars.push_back(nullptr);
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid == 0) {
        // The program dies with the test process, however that ends.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent || ::setns(nsFile.get(), CLONE_NEWNET) != 0) {
            ::_exit(127);
        }
        ::dup2(logFile.get(), STDOUT_FILENO);
        ::dup2(logFile.get(), STDERR_FILENO);
        ::execve(args[0], args.data(), vars.data());
        ::_exit(127);
    }
    if (pid < 0) {
        failure_ = std::string("fork: ") + std::strerror(errno);
        return;
    }
    programs_.push_back(pid);
    const auto deadline = std::chrono::steady_clock::now() + milliseconds(5000);
    while (!listensOn(pid, port)) {
        const bool ended = ::waitpid(pid, nullptr, WNOHANG) == pid;
        if (ended || std::chrono::steady_clock::now() > deadline) {
            if (ended) {
                programs_.pop_back();  // reaped: its PID is no longer ours to signal
            }
            std::ifstream text(log);
            failure_ = argv[0] + " in " + ns +
                       " did not listen: " + std::string(std::istreambuf_iterator<char>(text), {});
            return;
        }
        std::this_thread::sleep_for(milliseconds(10));
    }
}

std::string NetworkLab::runInside(const std::function<void()>& work) const {
    if (!failure_.empty()) {
        return failure_;
    }
    std::string refusal;
    std::thread worker([&] {
        const UniqueFd nsFile(::open((NAMESPACE_DIR + host_).c_str(), O_RDONLY | O_CLOEXEC));
        struct stat wanted {};
        struct stat here {};
        // Checked after entering as well: nothing is sent from any other namespace.
        if (::setns(nsFile.get(), CLONE_NEWNET) != 0 || ::fstat(nsFile.get(), &wanted) != 0 ||
            ::stat("/proc/thread-self/ns/net", &here) != 0 || wanted.st_ino != here.st_ino ||
            wanted.st_dev != here.st_dev) {
            refusal = "cannot enter the test's namespace " + host_ + ": " + std::strerror(errno);
            return;
        }
        work();
    });
    worker.join();
    return refusal;
}

}  // namespace scandesk::testing
