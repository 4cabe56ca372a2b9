// Builds and tears down the private networks of the discovery tests.
#include "snmp_test_network.h"

#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <thread>

#include "network/unique_fd.h"

namespace scandesk::testing {
namespace {

std::string textOf(const std::string& path) {
    std::ifstream file(path);
    return {std::istreambuf_iterator<char>(file), {}};
}

}  // namespace

NetworkLab::NetworkLab() : prefix_("sdsnmp" + std::to_string(::getpid())) {
    if (::geteuid() != 0 || ::access(SCANDESK_SNMPD_PROGRAM, X_OK) != 0) {
        failure_ = "the discovery network tests need root (for namespaces) and snmpd";
        unavailable_ = true;
        return;
    }
    directory_.emplace();
    host_ = prefix_ + "h";
    // First the namespaces of earlier runs that died without tearing down (a sanitizer
    // abort): the PID in their name no longer runs.
    run("for ns in $(ip netns list | grep -Eo '^sdsnmp[0-9]+[ha][0-9]*'); do p=${ns#sdsnmp}; "
        "kill -0 ${p%%[ha]*} 2>&- || ip netns del $ns; done; ip netns add " +
        host_ + " && ip -n " + host_ + " link set lo up");
}

NetworkLab::~NetworkLab() {
    for (const pid_t pid : programs_) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
    }
    std::string names = host_;
    for (int peer = 1; peer <= peers_; ++peer) {
        names += " " + prefix_ + "a" + std::to_string(peer);
    }
    if (directory_) {
        failure_.clear();
        run("for ns in " + names + "; do ip netns del $ns; done");
    }
}

bool NetworkLab::run(const std::string& commands) {
    // Names and addresses made here: nothing to quote.
    const auto errors = directory_->path() + "/errors";
    if (failure_.empty() && std::system(("(" + commands + ") >" + errors + " 2>&1").c_str()) != 0) {
        failure_ = commands + " failed: " + textOf(errors);
    }
    return failure_.empty();
}

std::string NetworkLab::addSubnet(const std::string& hostCidr) {
    const std::string bridge = "br" + std::to_string(++subnets_), in = "ip -n " + host_ + " ";
    run(in + "link add " + bridge + " type bridge && " + in + "addr add " + hostCidr +
        " brd + dev " + bridge + " && " + in + "link set " + bridge + " up");
    return bridge;
}

void NetworkLab::addHostInterface(const std::string& bridge, const std::string& hostCidr) {
    const std::string end = "hx" + bridge, in = "ip -n " + host_ + " ";
    run(in + "link add hp" + end + " type veth peer name " + end + " && " + in + "link set hp" +
        end + " master " + bridge + " up && " + in + "addr add " + hostCidr + " brd + dev " + end +
        " && " + in + "link set " + end + " up");
}

std::string NetworkLab::addPeer(const std::string& bridge, const std::string& cidr) {
    const std::string index = std::to_string(++peers_), ns = prefix_ + "a" + index;
    const std::string in = "ip -n " + host_ + " ";
    run("ip netns add " + ns + " && " + in + "link add hv" + index +
        " type veth peer name eth0 netns " + ns + " && " + in + "link set hv" + index + " master " +
        bridge + " up && ip -n " + ns + " addr add " + cidr + " brd + dev eth0 && ip -n " + ns +
        " link set eth0 up");
    return ns;
}

void NetworkLab::addAgent(const std::string& bridge, const std::string& cidr,
                          const std::vector<std::string>& configLines, uint16_t port) {
    const std::string dir = directory_->path();
    std::vector<std::string> argv{"SNMP_PERSISTENT_DIR=" + dir,
                                  "HOME=" + dir,
                                  std::string("LD_PRELOAD=") + SCANDESK_SNMP_AGENT_SHIM,
                                  SCANDESK_SNMPD_PROGRAM,
                                  "-f",
                                  "-Lo",
                                  "-C",
                                  "--rocommunity=orvelt",
                                  "udp:" + std::to_string(port)};
    for (auto line : configLines) {
        argv.push_back("--" + line.replace(line.find(' '), 1, "="));  // a line as an option
    }
    startListening(addPeer(bridge, cidr), argv, port);
}

void NetworkLab::startListening(const std::string& ns, const std::vector<std::string>& argv,
                                uint16_t port) {
    const std::string log = directory_->path() + "/" + ns + ".log";
    // A clean environment but for the sanitizers' settings.
    std::string command =
        "exec ip netns exec " + ns +
        " env -i $(env | grep -E '^[A-Z]+SAN_OPTIONS=') MIBS= PATH=/usr/sbin:/usr/bin:/bin";
    for (const auto& arg : argv) {
        command += " '" + arg + "'";
    }
    command += " >" + log + " 2>&1";
    if (!failure_.empty()) {
        return;
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);  // it dies with the test, however that ends
        // The shell, `ip netns exec` and `env` each exec the next: the PID stays the program's.
        ::execl("/bin/sh", "sh", "-c", command.c_str(), nullptr);
        ::_exit(127);
    }
    if (pid < 0) {
        failure_ = "cannot fork";
        return;
    }
    programs_.push_back(pid);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    char listening[32];
    std::snprintf(listening, sizeof listening, " 00000000:%04X ", port);  // any address
    while (textOf("/proc/" + std::to_string(pid) + "/net/udp").find(listening) ==
           std::string::npos) {
        const bool ended = ::waitpid(pid, nullptr, WNOHANG) == pid;
        if (ended) {
            programs_.pop_back();  // reaped: its PID is no longer ours to signal
        }
        if (ended || std::chrono::steady_clock::now() > deadline) {
            failure_ = command + ": does not listen: " + textOf(log);
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
        // Opened by name: setns succeeds only into the namespace this lab made.
        const UniqueFd ns(::open(("/run/netns/" + host_).c_str(), O_RDONLY | O_CLOEXEC));
        if (::setns(ns.get(), CLONE_NEWNET) != 0) {
            refusal = "cannot enter the test's namespace " + host_ + ": " + std::strerror(errno);
            return;
        }
        work();
    });
    worker.join();
    return refusal;
}

}  // namespace scandesk::testing
