// Builds and tears down the private networks of the discovery tests.
#include "snmp_test_network.h"

#include <fcntl.h>
#include <net/if.h>
#include <sched.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>

namespace scandesk::testing {
namespace {

constexpr auto AGENT_START_LIMIT = std::chrono::milliseconds(5000);
constexpr auto AGENT_STOP_LIMIT = std::chrono::milliseconds(2000);
constexpr auto POLL_INTERVAL = std::chrono::milliseconds(10);
constexpr const char* NAMESPACE_DIR = "/run/netns/";
constexpr const char* NAMESPACE_PREFIX = "sdsnmp";

// Owns a file descriptor.
class Descriptor {
  public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

  private:
    int fd_;
};

// Pointers into a list of strings, null-terminated, for exec.
std::vector<char*> pointersTo(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (auto& text : texts) {
        pointers.push_back(text.data());
    }
    pointers.push_back(nullptr);
    return pointers;
}

// Whether the process's UDP table (seen in its own namespace) has a socket bound to
// any address on `port`.
bool listensOn(pid_t pid, uint16_t port) {
    char local[32];
    std::snprintf(local, sizeof local, " 00000000:%04X ", port);
    std::ifstream table("/proc/" + std::to_string(pid) + "/net/udp");
    std::string line;
    while (std::getline(table, line)) {
        if (line.find(local) != std::string::npos) {
            return true;
        }
    }
    return false;
}

// Whether `pid` has ended (and is reaped).
bool hasEnded(pid_t pid) {
    int status = 0;
    return ::waitpid(pid, &status, WNOHANG) == pid;
}

// Whether two paths name the same namespace.
bool sameNamespace(const std::string& a, const std::string& b) {
    struct stat first {};
    struct stat second {};
    return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

// Deletes the namespaces left by earlier test processes of this suite that died
// without tearing down (their PID is in the name and no longer runs).
void sweepAbandonedNamespaces() {
    std::error_code error;
    const std::regex ours(std::string("^") + NAMESPACE_PREFIX + "([0-9]+)[ha][0-9]*$");
    for (const auto& entry : std::filesystem::directory_iterator(NAMESPACE_DIR, error)) {
        const std::string name = entry.path().filename().string();
        std::smatch match;
        if (!std::regex_match(name, match, ours)) {
            continue;
        }
        const pid_t owner = static_cast<pid_t>(std::stol(match[1].str()));
        if (owner != ::getpid() && ::kill(owner, 0) != 0 && errno == ESRCH) {
            std::string why;
            runProgram({"ip", "netns", "del", name}, why);
        }
    }
}

}  // namespace

bool runProgram(const std::vector<std::string>& argv, std::string& why) {
    std::string command;
    for (const auto& arg : argv) {
        command += arg + " ";
    }
    // The arguments are names and addresses made by the lab: nothing to quote.
    FILE* pipe = ::popen((command + "2>&1 >/dev/null").c_str(), "r");
    if (pipe == nullptr) {
        why = command + ": " + std::strerror(errno);
        return false;
    }
    std::string errors;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
        errors += buffer;
    }
    const int status = ::pclose(pipe);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) {
        return true;
    }
    why = command + "failed: " + errors;
    return false;
}

TestAgent::~TestAgent() {
    ::kill(pid_, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + AGENT_STOP_LIMIT;
    while (!hasEnded(pid_)) {
        if (std::chrono::steady_clock::now() >= deadline) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
            return;
        }
        std::this_thread::sleep_for(POLL_INTERVAL);
    }
}

NetworkLab::NetworkLab() : prefix_(NAMESPACE_PREFIX + std::to_string(::getpid())) {
    if (::geteuid() != 0) {
        failure_ = "the discovery network tests need root to make network namespaces";
        unavailable_ = true;
        return;
    }
    if (::access(SCANDESK_SNMPD_PROGRAM, X_OK) != 0) {
        failure_ = "snmpd is not installed (package snmpd)";
        unavailable_ = true;
        return;
    }
    sweepAbandonedNamespaces();
    std::string pattern = (std::filesystem::temp_directory_path() / "scandesk-snmp-XXXXXX");
    if (::mkdtemp(pattern.data()) == nullptr) {
        failure_ = "mkdtemp: " + std::string(std::strerror(errno));
        return;
    }
    directory_ = pattern;
    host_ = newNamespace("h");
    unavailable_ = !failure_.empty();
    run({"ip", "-n", host_, "link", "set", "lo", "up"});
    hostInterfaces_.insert("lo");
}

NetworkLab::~NetworkLab() {
    agents_.clear();
    for (const auto& name : namespaces_) {
        std::string why;
        runProgram({"ip", "netns", "del", name}, why);
    }
    if (!directory_.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(directory_, ignored);
    }
}

bool NetworkLab::run(const std::vector<std::string>& argv) {
    if (!failure_.empty()) {
        return false;
    }
    return runProgram(argv, failure_);
}

std::string NetworkLab::newNamespace(const std::string& suffix) {
    const std::string name = prefix_ + suffix;
    if (run({"ip", "netns", "add", name})) {
        namespaces_.push_back(name);
    }
    return name;
}

std::string NetworkLab::addSubnet(const std::string& hostCidr) {
    const std::string bridge = "br" + std::to_string(++subnets_);
    run({"ip", "-n", host_, "link", "add", bridge, "type", "bridge"});
    run({"ip", "-n", host_, "addr", "add", hostCidr, "brd", "+", "dev", bridge});
    run({"ip", "-n", host_, "link", "set", bridge, "up"});
    hostInterfaces_.insert(bridge);
    return bridge;
}

void NetworkLab::addHostInterface(const std::string& bridge, const std::string& hostCidr) {
    const std::string index = std::to_string(++hostLinks_);
    const std::string port = "hp" + index;
    const std::string end = "hx" + index;
    run({"ip", "-n", host_, "link", "add", port, "type", "veth", "peer", "name", end});
    hostInterfaces_.insert(port);
    hostInterfaces_.insert(end);
    run({"ip", "-n", host_, "link", "set", port, "master", bridge, "up"});
    run({"ip", "-n", host_, "addr", "add", hostCidr, "brd", "+", "dev", end});
    run({"ip", "-n", host_, "link", "set", end, "up"});
}

std::string NetworkLab::addPeer(const std::string& bridge, const std::string& agentCidr) {
    const std::string index = std::to_string(++peers_);
    const std::string ns = newNamespace("a" + index);
    const std::string hostEnd = "hv" + index;
    run({"ip", "-n", host_, "link", "add", hostEnd, "type", "veth", "peer", "name", "eth0", "netns",
         ns});
    hostInterfaces_.insert(hostEnd);
    run({"ip", "-n", host_, "link", "set", hostEnd, "master", bridge, "up"});
    run({"ip", "-n", ns, "addr", "add", agentCidr, "brd", "+", "dev", "eth0"});
    run({"ip", "-n", ns, "link", "set", "eth0", "up"});
    run({"ip", "-n", ns, "link", "set", "lo", "up"});
    return ns;
}

void NetworkLab::addAgent(const std::string& bridge, const std::string& agentCidr,
                          const std::vector<std::string>& configLines, uint16_t port) {
    const std::string ns = addPeer(bridge, agentCidr);
    if (!failure_.empty()) {
        return;
    }
    const auto dir = directory_ / ns;
    std::filesystem::create_directories(dir);
    {
        std::ofstream config(dir / "snmpd.conf");
        config << "agentaddress udp:" << port << "\nrocommunity orvelt\n";
        for (const auto& line : configLines) {
            config << line << '\n';
        }
    }
    const pid_t pid = startAgent(ns, dir);
    if (pid <= 0) {
        return;
    }
    agents_.push_back(std::make_unique<TestAgent>(pid, ns));
    const auto deadline = std::chrono::steady_clock::now() + AGENT_START_LIMIT;
    while (!listensOn(pid, port)) {
        if (hasEnded(pid) || std::chrono::steady_clock::now() >= deadline) {
            std::ifstream log(dir / "agent.log");
            std::stringstream text;
            text << log.rdbuf();
            failure_ = "the agent in " + ns + " did not start listening: " + text.str();
            return;
        }
        std::this_thread::sleep_for(POLL_INTERVAL);
    }
}

pid_t NetworkLab::startAgent(const std::string& ns, const std::filesystem::path& dir) {
    return spawnIn(ns,
                   {SCANDESK_SNMPD_PROGRAM, "-f", "-Lf", (dir / "agent.log").string(), "-C", "-c",
                    (dir / "snmpd.conf").string()},
                   {"MIBS=", "SNMP_PERSISTENT_DIR=" + dir.string(), "SNMPCONFPATH=" + dir.string(),
                    "HOME=" + dir.string(), std::string("LD_PRELOAD=") + SCANDESK_SNMP_AGENT_SHIM,
                    "PATH=/usr/sbin:/usr/bin:/sbin:/bin"},
                   "/dev/null");
}

pid_t NetworkLab::startProgram(const std::string& name, const std::vector<std::string>& argv,
                               const std::filesystem::path& logFile) {
    std::vector<std::string> env{"PATH=/usr/sbin:/usr/bin:/sbin:/bin", "MIBS="};
    for (const char* name : {"ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"}) {
        if (const char* value = std::getenv(name)) {
            env.push_back(std::string(name) + "=" + value);
        }
    }
    const pid_t pid = spawnIn(name, argv, env, logFile);
    if (pid > 0) {
        agents_.push_back(std::make_unique<TestAgent>(pid, name));
    }
    return pid;
}

pid_t NetworkLab::spawnIn(const std::string& ns, std::vector<std::string> args,
                          std::vector<std::string> env, const std::filesystem::path& logFile) {
    if (!failure_.empty()) {
        return -1;
    }
    auto argPointers = pointersTo(args);
    auto envPointers = pointersTo(env);
    const Descriptor nsFile(::open((NAMESPACE_DIR + ns).c_str(), O_RDONLY | O_CLOEXEC));
    if (nsFile.get() < 0) {
        failure_ = "open namespace " + ns + ": " + std::strerror(errno);
        return -1;
    }
    const Descriptor log(::open(logFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid == 0) {
        // The child dies with the test process, however that ends.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent || ::setns(nsFile.get(), CLONE_NEWNET) != 0) {
            ::_exit(127);
        }
        if (log.get() >= 0) {
            ::dup2(log.get(), STDOUT_FILENO);
            ::dup2(log.get(), STDERR_FILENO);
        }
        ::execve(argPointers[0], argPointers.data(), envPointers.data());
        ::_exit(127);
    }
    if (pid < 0) {
        failure_ = "fork: " + std::string(std::strerror(errno));
    }
    return pid;
}

std::string NetworkLab::whyNotInside() const {
    if (host_.empty() || !sameNamespace("/proc/thread-self/ns/net", NAMESPACE_DIR + host_)) {
        return "this thread is not in the test's own network namespace " + host_;
    }
    std::string foreign;
    if (auto* names = ::if_nameindex()) {
        for (auto* entry = names; entry->if_index != 0; ++entry) {
            if (hostInterfaces_.count(entry->if_name) == 0) {
                foreign += std::string(" ") + entry->if_name;
            }
        }
        ::if_freenameindex(names);
    } else {
        return "cannot list the interfaces of " + host_;
    }
    if (!foreign.empty()) {
        return "namespace " + host_ + " holds interfaces the test did not make:" + foreign;
    }
    return {};
}

std::string NetworkLab::runInside(const std::function<void()>& work) const {
    return runIn(host_, work);
}

std::string NetworkLab::runIn(const std::string& name, const std::function<void()>& work) const {
    if (!failure_.empty()) {
        return failure_;
    }
    std::string refusal;
    std::thread worker([&] {
        const Descriptor nsFile(::open((NAMESPACE_DIR + name).c_str(), O_RDONLY | O_CLOEXEC));
        if (nsFile.get() < 0 || ::setns(nsFile.get(), CLONE_NEWNET) != 0) {
            refusal = "cannot enter namespace " + name + ": " + std::strerror(errno);
            return;
        }
        if (name == host_) {
            refusal = whyNotInside();
            if (!refusal.empty()) {
                return;
            }
        }
        work();
    });
    worker.join();
    return refusal;
}

}  // namespace scandesk::testing
