// Session set-up, sending and the receive loop shared by discovery and identification.
#include "discovery/snmp_request.h"

#include <cerrno>
#include <cstdlib>

#include <net-snmp/library/large_fd_set.h>

#include "common/diagnostics.h"

namespace scandesk {
namespace {

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

// Writes the library's description of a session failure behind `prefix`.
void reportSessionError(const char* prefix, netsnmp_session* session) {
    int libraryError = 0;
    int systemError = 0;
    char* text = nullptr;
    snmp_error(session, &libraryError, &systemError, &text);
    diagf("%s: %s", prefix, text != nullptr ? text : "unknown error");
    std::free(text);
}

}  // namespace

void SnmpSessionCloser::operator()(netsnmp_session* session) const {
    snmp_close(session);
}

SnmpSessionHandle openDiscoverySession(const std::string& address, SnmpPeerKind kind,
                                       const SnmpDiscoveryOptions& options,
                                       DiscoveryContext& context) {
    netsnmp_session templ{};
    snmp_sess_init(&templ);
    templ.version = SNMP_VERSION_2c;
    std::string community = SNMP_DISCOVERY_COMMUNITY;
    templ.community = reinterpret_cast<u_char*>(community.data());
    templ.community_len = community.size();
    std::string peer = address + ":" + std::to_string(options.agentPort);
    templ.peername = peer.data();
    if (kind == SnmpPeerKind::Broadcast) {
        templ.flags |= SNMP_FLAGS_UDP_BROADCAST;
    }
    if (options.timeout) {
        templ.timeout = static_cast<long>(
            std::chrono::duration_cast<std::chrono::microseconds>(*options.timeout).count());
    }
    if (options.retries) {
        templ.retries = *options.retries;
    }
    templ.callback = mc_network_discovery_cb;
    templ.callback_magic = &context;
    // snmp_open copies the community and the peer name.
    SnmpSessionHandle session(snmp_open(&templ));
    if (!session) {
        reportSessionError("ack", &templ);
    }
    return session;
}

bool sendNullValuedGet(netsnmp_session* session, const std::vector<const char*>& identifiers) {
    netsnmp_pdu* pdu = snmp_pdu_create(SNMP_MSG_GET);
    for (const char* text : identifiers) {
        oid name[MAX_OID_LEN];
        size_t length = MAX_OID_LEN;
        if (read_objid(text, name, &length) != 0) {
            snmp_add_null_var(pdu, name, length);
        }
    }
    // On success the library owns the PDU; on failure it is still ours.
    if (snmp_send(session, pdu) == 0) {
        snmp_free_pdu(pdu);
        return false;
    }
    return true;
}

bool receiveOnce() {
    LargeDescriptorSet descriptors;
    int count = 0;
    int block = 0;
    timeval wait{};
    wait.tv_sec = SNMP_RECEIVE_WAIT_LIMIT_MS.count() / 1000;
    wait.tv_usec = (SNMP_RECEIVE_WAIT_LIMIT_MS.count() % 1000) * 1000;
    snmp_select_info2(&count, descriptors.get(), &wait, &block);
    const int ready =
        netsnmp_large_fd_set_select(count, descriptors.get(), nullptr, nullptr, &wait);
    if (ready > 0) {
        diag("had data to read =======================");
        snmp_read2(descriptors.get());
        return true;
    }
    if (ready < 0 && errno == EINTR) {
        // A signal is neither data nor an elapsed wait; the next wait starts afresh.
        return true;
    }
    // An elapsed wait, or a failed select whose descriptor set cannot be trusted: either
    // way nothing is read and the wait counts as empty, so the loop always ends.
    diag("wait for snmp timeout =======================");
    snmp_timeout();
    return false;
}

}  // namespace scandesk
