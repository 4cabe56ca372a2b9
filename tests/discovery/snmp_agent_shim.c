/* Lets an SNMP agent answer broadcast requests: a reply sent from the broadcast address
   fails with ENETUNREACH on recent kernels, so it is sent once more with the source
   address left to the kernel. Preloaded into the test agents only. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <netinet/in.h>
#include <string.h>
#include <sys/socket.h>

typedef ssize_t (*sendmsg_function)(int, const struct msghdr*, int);

/* The control buffer of the retry: large enough for every ancillary message the agent
   attaches to a reply. */
enum { SHIM_CONTROL_BYTES = 256 };

/* Clears the preferred source of the message's IP_PKTINFO; whether it had one. */
static int clear_packet_info_source(struct msghdr* message) {
    int cleared = 0;
    for (struct cmsghdr* header = CMSG_FIRSTHDR(message); header != NULL;
         header = CMSG_NXTHDR(message, header)) {
        if (header->cmsg_level == IPPROTO_IP && header->cmsg_type == IP_PKTINFO) {
            struct in_pktinfo* info = (struct in_pktinfo*)CMSG_DATA(header);
            info->ipi_spec_dst.s_addr = INADDR_ANY;
            cleared = 1;
        }
    }
    return cleared;
}

/* sendmsg with one retry when the chosen source address cannot reach the peer. */
ssize_t sendmsg(int fd, const struct msghdr* message, int flags) {
    static sendmsg_function real_sendmsg = NULL;
    if (real_sendmsg == NULL) {
        real_sendmsg = (sendmsg_function)dlsym(RTLD_NEXT, "sendmsg");
    }
    ssize_t sent = real_sendmsg(fd, message, flags);
    if (sent >= 0 || errno != ENETUNREACH || message == NULL || message->msg_control == NULL ||
        message->msg_controllen > SHIM_CONTROL_BYTES) {
        return sent;
    }
    const int saved_errno = errno;
    union {
        struct cmsghdr alignment;
        unsigned char bytes[SHIM_CONTROL_BYTES];
    } control;
    memcpy(control.bytes, message->msg_control, message->msg_controllen);
    struct msghdr retry = *message;
    retry.msg_control = control.bytes;
    if (!clear_packet_info_source(&retry)) {
        errno = saved_errno;
        return sent;
    }
    return real_sendmsg(fd, &retry, flags);
}
