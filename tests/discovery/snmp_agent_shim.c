/* Lets an SNMP agent answer broadcast requests: a reply sent from the broadcast address
   fails with ENETUNREACH on recent kernels, so every reply leaves the source address to
   the kernel (the test agents have one address each). Preloaded into the test agents only. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <netinet/in.h>
#include <string.h>
#include <sys/socket.h>

ssize_t sendmsg(int fd, const struct msghdr* message, int flags) {
    static ssize_t (*real_sendmsg)(int, const struct msghdr*, int);
    if (real_sendmsg == NULL) {
        real_sendmsg = (ssize_t(*)(int, const struct msghdr*, int))dlsym(RTLD_NEXT, "sendmsg");
    }
    union {
        struct cmsghdr alignment;
        unsigned char bytes[256]; /* more than the ancillary data of any reply */
    } control;
    struct msghdr copy = *message;
    if (message->msg_control == NULL || message->msg_controllen > sizeof control.bytes) {
        return real_sendmsg(fd, message, flags);
    }
    memcpy(control.bytes, message->msg_control, message->msg_controllen);
    copy.msg_control = control.bytes;
    for (struct cmsghdr* header = CMSG_FIRSTHDR(&copy); header != NULL;
         header = CMSG_NXTHDR(&copy, header)) {
        if (header->cmsg_level == IPPROTO_IP && header->cmsg_type == IP_PKTINFO) {
            ((struct in_pktinfo*)CMSG_DATA(header))->ipi_spec_dst.s_addr = INADDR_ANY;
        }
    }
    return real_sendmsg(fd, &copy, flags);
}
