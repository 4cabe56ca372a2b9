// Private networks for the discovery tests: namespaces joined by veth pairs and
// bridges, real SNMP agents inside them, and a way to run code on the host side.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace scandesk::testing {

/// Runs a program to completion with its output discarded; true when it exited with 0.
/// On failure `why` holds the command and what it wrote to standard error.
bool runProgram(const std::vector<std::string>& argv, std::string& why);

/// One SNMP agent process started by the test: snmpd inside an agent namespace, killed
/// by its PID when the object goes (or with the test process, whatever ends it).
class TestAgent {
  public:
    TestAgent(pid_t pid, std::string name) : pid_(pid), name_(std::move(name)) {}
    ~TestAgent();
    TestAgent(const TestAgent&) = delete;
    TestAgent& operator=(const TestAgent&) = delete;
    pid_t pid() const { return pid_; }

  private:
    pid_t pid_;
    std::string name_;
};

/// A host-side namespace with bridged subnets and agent namespaces on them. Every
/// namespace carries this process's PID in its name, so parallel test runs never meet;
/// the destructor stops the agents and deletes the namespaces, also after a failure.
class NetworkLab {
  public:
    NetworkLab();
    ~NetworkLab();
    NetworkLab(const NetworkLab&) = delete;
    NetworkLab& operator=(const NetworkLab&) = delete;

    /// Empty when everything asked of the lab so far was built; otherwise why not.
    const std::string& failure() const { return failure_; }

    /// Whether this machine cannot hold a lab at all (not root, no snmpd, no namespaces),
    /// as opposed to a lab that broke while being built.
    bool unavailable() const { return unavailable_; }

    /// A bridge on the host side holding `hostCidr` (e.g. "192.0.2.1/24"); its name.
    std::string addSubnet(const std::string& hostCidr);

    /// A second host-side interface on `bridge`'s subnet, holding `hostCidr`.
    void addHostInterface(const std::string& bridge, const std::string& hostCidr);

    /// A namespace on `bridge` holding `agentCidr`, with no agent running in it; its name.
    std::string addPeer(const std::string& bridge, const std::string& agentCidr);

    /// A peer running snmpd with the given configuration lines (community and agent
    /// address are added). Returns once the agent listens on `port`.
    void addAgent(const std::string& bridge, const std::string& agentCidr,
                  const std::vector<std::string>& configLines, uint16_t port = 161);

    /// Starts `argv` inside the namespace `name` made by this lab; it is stopped by its
    /// PID with the lab. Its output goes to `logFile`.
    pid_t startProgram(const std::string& name, const std::vector<std::string>& argv,
                       const std::filesystem::path& logFile);

    /// Why the calling thread must not send discovery traffic: it is not in the host-side
    /// namespace of this lab, or that namespace holds an interface the lab did not make.
    /// Empty when it may send.
    std::string whyNotInside() const;

    /// Runs `work` on a thread that has entered the host-side namespace and passed
    /// whyNotInside(). Returns the refusal reason (and runs nothing) otherwise.
    std::string runInside(const std::function<void()>& work) const;

    /// Runs `work` on a thread inside the namespace `name` made by this lab.
    std::string runIn(const std::string& name, const std::function<void()>& work) const;

  private:
    bool run(const std::vector<std::string>& argv);
    std::string newNamespace(const std::string& suffix);
    pid_t startAgent(const std::string& ns, const std::filesystem::path& dir);
    pid_t spawnIn(const std::string& ns, std::vector<std::string> args,
                  std::vector<std::string> env, const std::filesystem::path& logFile);

    std::string prefix_;
    std::string host_;
    std::filesystem::path directory_;
    std::vector<std::string> namespaces_;
    std::set<std::string> hostInterfaces_;
    std::vector<std::unique_ptr<TestAgent>> agents_;
    int subnets_ = 0;
    int peers_ = 0;
    int hostLinks_ = 0;
    std::string failure_;
    bool unavailable_ = false;
};

}  // namespace scandesk::testing
