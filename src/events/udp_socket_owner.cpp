#include "events/udp_socket_owner.h"

#include <linux/inet_diag.h>
#include <linux/netlink.h>
#include <linux/sock_diag.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "events/socket_wait.h"

namespace halvera {
namespace {

// The kernel answers at once; a limit keeps a wedged netlink socket from holding a caller.
constexpr auto ANSWER_WAIT = std::chrono::milliseconds(1000);

struct DiagRequest {
    nlmsghdr header;
    inet_diag_req_v2 request;
};

}  // namespace

UdpSocketOwner FindUdpSocketOwner(UdpEnd from, UdpEnd to) {
    int diag = ::socket(AF_NETLINK, SOCK_DGRAM | SOCK_CLOEXEC, NETLINK_SOCK_DIAG);
    if (diag < 0) {
        return {};
    }
    DiagRequest message{};
    message.header.nlmsg_len = sizeof message;
    message.header.nlmsg_type = SOCK_DIAG_BY_FAMILY;
    message.header.nlmsg_flags = NLM_F_REQUEST;
    message.header.nlmsg_seq = 1;
    message.request.sdiag_family = AF_INET;
    message.request.sdiag_protocol = IPPROTO_UDP;
    message.request.idiag_states = ~0u;
    // An exact look-up finds the socket as the kernel's receive path would for a datagram
    // from idiag_src:idiag_sport to idiag_dst:idiag_dport.
    message.request.id.idiag_src[0] = from.ip;
    message.request.id.idiag_sport = htons(from.port);
    message.request.id.idiag_dst[0] = to.ip;
    message.request.id.idiag_dport = htons(to.port);
    message.request.id.idiag_cookie[0] = INET_DIAG_NOCOOKIE;
    message.request.id.idiag_cookie[1] = INET_DIAG_NOCOOKIE;
    sockaddr_nl kernel{};
    kernel.nl_family = AF_NETLINK;
    UdpSocketOwner owner;
    if (::sendto(diag, &message, sizeof message, 0, reinterpret_cast<sockaddr*>(&kernel),
                 sizeof kernel) != static_cast<ssize_t>(sizeof message) ||
        !WaitForSocket(diag, POLLIN, ANSWER_WAIT)) {
        ::close(diag);
        return owner;
    }
    alignas(nlmsghdr) char answer[1024];
    ssize_t size = ::recv(diag, answer, sizeof answer, 0);
    ::close(diag);
    const auto* header = reinterpret_cast<const nlmsghdr*>(answer);
    if (size < static_cast<ssize_t>(sizeof(nlmsghdr)) || !NLMSG_OK(header, size)) {
        return owner;
    }
    if (header->nlmsg_type == NLMSG_ERROR && header->nlmsg_len >= NLMSG_LENGTH(sizeof(nlmsgerr))) {
        nlmsgerr error{};
        std::memcpy(&error, NLMSG_DATA(header), sizeof error);
        if (error.error == -ENOENT) {
            owner.lookup = UdpOwnerLookup::NONE;
        }
        return owner;
    }
    if (header->nlmsg_type == SOCK_DIAG_BY_FAMILY &&
        header->nlmsg_len >= NLMSG_LENGTH(sizeof(inet_diag_msg))) {
        inet_diag_msg found{};
        std::memcpy(&found, NLMSG_DATA(header), sizeof found);
        owner.lookup = UdpOwnerLookup::FOUND;
        owner.uid = found.idiag_uid;
    }
    return owner;
}

}  // namespace halvera
