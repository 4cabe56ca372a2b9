// Private networks for the discovery tests: a host-side namespace with bridged subnets,
// peer namespaces on them and SNMP agents inside those, and a way to run code on the
// host side. Discovery traffic never leaves these namespaces.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "../support/temp_dir.h"

namespace scandesk::testing {

/// Every namespace carries this process's PID in its name, so parallel runs never meet;
/// the destructor stops the programs it started, by PID, and deletes the namespaces.
class NetworkLab {
  public:
    NetworkLab();
    ~NetworkLab();
    NetworkLab(const NetworkLab&) = delete;
    NetworkLab& operator=(const NetworkLab&) = delete;

    /// What went wrong while building, empty while all is well; unavailable() when this
    /// machine cannot hold a lab at all (not root, no snmpd).
    const std::string& failure() const { return failure_; }
    bool unavailable() const { return unavailable_; }

    /// A bridge on the host side carrying the host's address `hostCidr`; its name.
    std::string addSubnet(const std::string& hostCidr);
    /// One more host-side interface, with its own address on the bridge's subnet.
    void addHostInterface(const std::string& bridge, const std::string& hostCidr);
    /// A peer namespace with one interface on the bridge; its name.
    std::string addPeer(const std::string& bridge, const std::string& cidr);
    /// snmpd on a new peer, with these configuration lines besides port and community;
    /// returns once it listens.
    void addAgent(const std::string& bridge, const std::string& cidr,
                  const std::vector<std::string>& configLines, uint16_t port = 161);
    /// Starts `argv` (leading NAME=value entries set its environment, besides the
    /// sanitizer settings) in the namespace `ns`; returns once it listens on UDP `port`.
    void startListening(const std::string& ns, const std::vector<std::string>& argv,
                        uint16_t port = 161);

    /// Runs `work` on a thread that has entered the host-side namespace; returns the
    /// refusal (and runs nothing) when the thread is not there.
    std::string runInside(const std::function<void()>& work) const;

  private:
    /// Runs shell commands unless the lab has failed; whether they succeeded.
    bool run(const std::string& commands);

    std::string prefix_;
    std::string host_;
    std::optional<TempDir> directory_;
    std::vector<pid_t> programs_;
    int subnets_ = 0;
    int peers_ = 0;
    std::string failure_;
    bool unavailable_ = false;
};

}  // namespace scandesk::testing
