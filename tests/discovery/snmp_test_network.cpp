// Builds and tears down the private networks of the discovery tests.
#include "snmp_test_network.h"

#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <regex>
#include <thread>

#include "network/unique_fd.h"

namespace scandesk::testing {
namespace {

constexpr const char* NAMESPACE_PREFIX = "sdsnmp";

// Whether the process has a UDP socket bound to any address on `port`, in its namespace.
bool listensOn(pid_t pid, uint16_t port) {
    char local[32];
    std::snprintf(local, sizeof local, " 00000000:%04X ", port);
    std::ifstream table("/proc/" + std::to_string(pid) + "/net/udp");
    const std::string text(std::istreambuf_iterator<char>(table), {});
    return text.find(local) != std::string::npos;
}

bool shell(const std::string& command) {
    return std::system(command.c_str()) == 0;
}

}  // namespace

NetworkLab::NetworkLab() : prefix_(NAMESPACE_PREFIX + std::to_string(::getpid())) {
    if (::geteuid() != 0 || ::access(SCANDESK_SNMPD_PROGRAM, X_OK) != 0) {
        failure_ = "the discovery network tests need root (for namespaces) and snmpd";
        unavailable_ = true;
        return;
    }
    // Namespaces of earlier runs that died without tearing down (a sanitizer abort): the
    // PID in their name no longer runs.
    std::error_code error;
    const std::regex ours(std::string(NAMESPACE_PREFIX) + "([0-9]+)[ha][0-9]*");
    for (const auto& entry : std::filesystem::directory_iterator("/run/netns", error)) {
        std::smatch match;
        const std::string name = entry.path().filename().string();
        if (std::regex_match(name, match, ours) && ::kill(std::stoi(match[1]), 0) != 0) {
            shell("ip netns del " + name);
        }
    }
    directory_.emplace();
    host_ = prefix_ + "h";
    run({"ip", "netns", "add", host_});
    run({"ip", "-n", host_, "link", "set", "lo", "up"});
}

NetworkLab::~NetworkLab() {
    for (const pid_t pid : programs_) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
    }
    for (int peer = peers_; peer >= 0 && !host_.empty(); --peer) {
        shell("ip netns del " + (peer ? prefix_ + "a" + std::to_string(peer) : host_) + " 2>&-");
    }
}

bool NetworkLab::run(const std::vector<std::string>& argv) {
    // Names and addresses made here: nothing to quote.
    std::string command;
    for (const auto& arg : argv) {
        command += arg + " ";
    }
    const auto errors = directory_->path() + "/errors";
    if (failure_.empty() && !shell(command + ">" + errors + " 2>&1")) {
        std::ifstream text(errors);
        failure_ = command + "failed: " + std::string(std::istreambuf_iterator<char>(text), {});
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
    const std::string end = "hx" + bridge;
    run({"ip", "-n", host_, "link", "add", "hp" + end, "type", "veth", "peer", "name", end});
    run({"ip", "-n", host_, "link", "set", "hp" + end, "master", bridge, "up"});
    run({"ip", "-n", host_, "addr", "add", hostCidr, "brd", "+", "dev", end});
    run({"ip", "-n", host_, "link", "set", end, "up"});
}

std::string NetworkLab::addPeer(const std::string& bridge, const std::string& cidr) {
    const std::string index = std::to_string(++peers_);
    const std::string ns = prefix_ + "a" + index;
    run({"ip", "netns", "add", ns});
    run({"ip", "-n", host_, "link", "add", "hv" + index, "type", "veth", "peer", "name", "eth0",
         "netns", ns});
    run({"ip", "-n", host_, "link", "set", "hv" + index, "master", bridge, "up"});
    run({"ip", "-n", ns, "addr", "add", cidr, "brd", "+", "dev", "eth0"});
    run({"ip", "-n", ns, "link", "set", "eth0", "up"});
    return ns;
}

void NetworkLab::addAgent(const std::string& bridge, const std::string& cidr,
                          const std::vector<std::string>& configLines, uint16_t port) {
    std::vector<std::string> argv{
        SCANDESK_SNMPD_PROGRAM,       "-f", "-Lo", "-C", "--rocommunity=orvelt",
        "udp:" + std::to_string(port)};
    for (auto line : configLines) {
        argv.push_back("--" + line.replace(line.find(' '), 1, "="));
    }
    const std::string dir = directory_->path();
    startListening(addPeer(bridge, cidr), argv,
                   {"SNMP_PERSISTENT_DIR=" + dir, "HOME=" + dir,
                    std::string("LD_PRELOAD=") + SCANDESK_SNMP_AGENT_SHIM},
                   port);
}

void NetworkLab::startListening(const std::string& ns, std::vector<std::string> argv,
                                std::vector<std::string> env, uint16_t port) {
    if (!failure_.empty()) {
        return;
    }
    std::vector<std::string> command{"ip",  "netns", "exec",  ns,
                                     "env", "-i",    "MIBS=", "PATH=/usr/sbin:/usr/bin:/sbin:/bin"};
    for (const char* name : {"ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"}) {
        if (const char* value = std::getenv(name)) {
            command.push_back(std::string(name) + "=" + value);
        }
    }
    command.insert(command.end(), env.begin(), env.end());
    command.insert(command.end(), argv.begin(), argv.end());
    std::vector<char*> args;
    for (auto& arg : command) {
        args.push_back(arg.data());
    }
    args.push_back(nullptr);
    const auto log = directory_->path() + "/" + ns + ".log";
    const UniqueFd logFile(::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);  // it dies with the test, however that ends
        ::dup2(logFile.get(), STDOUT_FILENO);
        ::dup2(logFile.get(), STDERR_FILENO);
        ::execvp(args[0], args.data());  // `ip netns exec` and `env` exec in turn: same PID
        ::_exit(127);
    }
    if (pid < 0) {
        failure_ = "cannot fork";
        return;
    }
    programs_.push_back(pid);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!listensOn(pid, port)) {
        const bool ended = ::waitpid(pid, nullptr, WNOHANG) == pid;
        if (ended || std::chrono::steady_clock::now() > deadline) {
            if (ended) {
                programs_.pop_back();  // reaped: its PID is no longer ours to signal
            }
            std::ifstream text(log);
            failure_ = argv[0] + " in " + ns +
                       " does not listen: " + std::string(std::istreambuf_iterator<char>(text), {});
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

std::string NetworkLab::runInside(const std::function<void()>& work) const {
    if (!failure_.empty()) {
        return failure_;
    }
    std::string refusal;
    std::thread worker([&] {
        const UniqueFd ns(::open(("/run/netns/" + host_).c_str(), O_RDONLY | O_CLOEXEC));
        struct stat wanted {};
        struct stat here {};
        // Checked again after entering: nothing is sent from any other namespace.
        if (::setns(ns.get(), CLONE_NEWNET) != 0 || ::fstat(ns.get(), &wanted) != 0 ||
            ::stat("/proc/thread-self/ns/net", &here) != 0 || wanted.st_ino != here.st_ino) {
            refusal = "cannot enter the test's namespace " + host_ + ": " + std::strerror(errno);
            return;
        }
        work();
    });
    worker.join();
    return refusal;
}

}  // namespace scandesk::testing
