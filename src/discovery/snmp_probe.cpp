// The receive loop over all sessions of a run, on net-snmp's single-session API so that
// each request's retransmissions and quiet waits are its own.
#include "discovery/snmp_probe.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>

#include <net-snmp/library/large_fd_set.h>

#include "common/diagnostics.h"
#include "discovery/snmp_library.h"

namespace scandesk {
namespace {

using Clock = std::chrono::steady_clock;

// A descriptor set of any size (a window process may hold more than FD_SETSIZE files).
class LargeDescriptorSet {
  public:
    LargeDescriptorSet() { netsnmp_large_fd_set_init(&set_, FD_SETSIZE); }
    ~LargeDescriptorSet() { netsnmp_large_fd_set_cleanup(&set_); }
    LargeDescriptorSet(const LargeDescriptorSet&) = delete;
    LargeDescriptorSet& operator=(const LargeDescriptorSet&) = delete;
    netsnmp_large_fd_set* get() { return &set_; }

  private:
    netsnmp_large_fd_set set_{};
};

struct SessionCloser {
    void operator()(void* session) const { snmp_sess_close(session); }
};
using SessionHandle = std::unique_ptr<void, SessionCloser>;

// Writes the library's description of a session failure behind `prefix`.
void reportSessionError(const char* prefix, netsnmp_session* session) {
    int libraryError = 0;
    int systemError = 0;
    char* text = nullptr;
    snmp_error(session, &libraryError, &systemError, &text);
    diagf(DiagLevel::warning, "%s: %s", prefix, text != nullptr ? text : "unknown error");
    std::free(text);
}

// One request in flight on a session of its own. Not movable: the library holds a
// pointer to its state.
class Probe {
  public:
    Probe(const SnmpRequest& request, const SnmpDiscoveryOptions& options,
          AnswerCollector& collector)
        : kind_(request.kind) {
        state_.collector = &collector;
        netsnmp_session templ{};
        snmp_sess_init(&templ);
        templ.version = SNMP_VERSION_2c;
        std::string community = SNMP_DISCOVERY_COMMUNITY;
        templ.community = reinterpret_cast<u_char*>(community.data());
        templ.community_len = community.size();
        std::string peer = request.peer + ":" + std::to_string(options.agentPort);
        templ.peername = peer.data();
        if (kind_ == SnmpPeerKind::Broadcast) {
            templ.flags |= SNMP_FLAGS_UDP_BROADCAST;
            diagf(DiagLevel::debug, "brocast sub net ip = %s\n", request.peer.c_str());
        }
        if (options.timeout) {
            templ.timeout = static_cast<long>(
                std::chrono::duration_cast<std::chrono::microseconds>(*options.timeout).count());
        }
        if (options.retries) {
            templ.retries = *options.retries;
        }
        templ.callback = snmpAnswerCallback;
        templ.callback_magic = &state_;
        // The library copies the community and the peer name.
        session_.reset(snmp_sess_open(&templ));
        if (!session_) {
            reportSessionError("ack", &templ);
            return;
        }
        quietLimit_ = kind_ == SnmpPeerKind::Broadcast
                          ? SNMP_QUIET_WAITS_PER_PROBE
                          : snmp_sess_session(session_.get())->retries + 2;
        if (!send(request.identifiers)) {
            diagWarning(" send snmp request error");
            session_.reset();
        }
    }
    Probe(const Probe&) = delete;
    Probe& operator=(const Probe&) = delete;

    bool running() const { return session_ != nullptr; }
    Clock::time_point waitEnd() const { return waitEnd_; }
    int descriptor() const { return snmp_sess_transport(session_.get())->sock; }

    // Starts a wait: until data comes or the request's next retransmission is due.
    void startWait() {
        LargeDescriptorSet descriptors;
        int count = 0;
        int block = 0;
        timeval wait{};
        wait.tv_sec = SNMP_RECEIVE_WAIT_LIMIT_MS.count() / 1000;
        wait.tv_usec = (SNMP_RECEIVE_WAIT_LIMIT_MS.count() % 1000) * 1000;
        snmp_sess_select_info2(session_.get(), &count, descriptors.get(), &wait, &block);
        waitEnd_ = Clock::now() + std::chrono::seconds(wait.tv_sec) +
                   std::chrono::microseconds(wait.tv_usec);
    }

    // Data came: the library reads it and calls back for each answer.
    void read() {
        LargeDescriptorSet descriptors;
        NETSNMP_LARGE_FD_SET(descriptor(), descriptors.get());
        snmp_sess_read2(session_.get(), descriptors.get());
        if (kind_ == SnmpPeerKind::Unicast && (state_.replied || state_.closed)) {
            session_.reset();
            return;
        }
        startWait();
    }

    // The wait ended empty: the library retransmits or gives the request up.
    void quietWaitEnded() {
        snmp_sess_timeout(session_.get());
        const bool unicastDone = kind_ == SnmpPeerKind::Unicast && state_.closed;
        if (++quietWaits_ >= quietLimit_ || unicastDone) {
            session_.reset();
            return;
        }
        startWait();
    }

  private:
    bool send(const std::vector<const char*>& identifiers) {
        netsnmp_pdu* pdu = snmp_pdu_create(SNMP_MSG_GET);
        for (const char* text : identifiers) {
            oid name[MAX_OID_LEN];
            size_t length = MAX_OID_LEN;
            if (read_objid(text, name, &length) != 0) {
                snmp_add_null_var(pdu, name, length);
            }
        }
        // On success the library owns the PDU; on failure it is still ours.
        if (snmp_sess_send(session_.get(), pdu) == 0) {
            snmp_free_pdu(pdu);
            return false;
        }
        return true;
    }

    SnmpPeerKind kind_;
    RequestState state_;
    SessionHandle session_;
    int quietWaits_ = 0;
    int quietLimit_ = SNMP_QUIET_WAITS_PER_PROBE;
    Clock::time_point waitEnd_{};
};

// Milliseconds from now to `end`, rounded up so that a wait never ends early.
int pollTimeout(Clock::time_point end) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(end - Clock::now());
    return static_cast<int>(std::max<int64_t>(0, left.count()));
}

}  // namespace

void runSnmpRequests(std::span<const SnmpRequest> requests, const SnmpDiscoveryOptions& options,
                     AnswerCollector& collector) {
    const auto lock = lockSnmpLibrary();
    std::vector<std::unique_ptr<Probe>> probes;
    for (const auto& request : requests) {
        auto probe = std::make_unique<Probe>(request, options, collector);
        if (probe->running()) {
            probe->startWait();
            probes.push_back(std::move(probe));
        }
    }
    const auto deadline = Clock::now() + options.probeTimeLimit;
    std::vector<pollfd> descriptors;
    std::vector<Probe*> polled;
    while (true) {
        descriptors.clear();
        polled.clear();
        auto nextEnd = deadline;
        for (const auto& probe : probes) {
            if (probe->running()) {
                descriptors.push_back(pollfd{probe->descriptor(), POLLIN, 0});
                polled.push_back(probe.get());
                nextEnd = std::min(nextEnd, probe->waitEnd());
            }
        }
        if (polled.empty()) {
            return;
        }
        if (Clock::now() >= deadline) {
            diagDebug("snmp probe time limit reached, requests still open = ", polled.size());
            return;
        }
        const int ready = ::poll(descriptors.data(), descriptors.size(), pollTimeout(nextEnd));
        if (ready < 0 && errno != EINTR) {
            diagWarning("snmp discovery: poll failed: ", std::strerror(errno));
            return;
        }
        const auto now = Clock::now();
        for (size_t i = 0; i < polled.size(); ++i) {
            if (ready > 0 && descriptors[i].revents != 0) {
                polled[i]->read();
            } else if (now >= polled[i]->waitEnd()) {
                polled[i]->quietWaitEnded();
            }
        }
    }
}

}  // namespace scandesk
