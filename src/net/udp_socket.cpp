#include "net/udp_socket.h"

#include <arpa/inet.h>
#include <linux/errqueue.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace halvera {

std::unique_ptr<UdpSocket> UdpSocket::Open(Ipv4 ip, std::uint16_t port) {
    int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return nullptr;
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = ip;
    address.sin_port = htons(port);
    // Port-unreachable answers are queued for Receive: a node without a name service says
    // so at once instead of leaving the walk to wait for it.
    const int on = 1;
    if (bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        setsockopt(fd, IPPROTO_IP, IP_RECVERR, &on, sizeof on) != 0) {
        close(fd);
        return nullptr;
    }
    return std::unique_ptr<UdpSocket>(new UdpSocket(fd));
}

UdpSocket::~UdpSocket() {
    close(m_fd);
}

bool UdpSocket::SendTo(Ipv4 ip, std::uint16_t port, std::span<const std::uint8_t> bytes) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = ip;
    address.sin_port = htons(port);
    ssize_t sent = sendto(m_fd, bytes.data(), bytes.size(), MSG_NOSIGNAL,
                          reinterpret_cast<const sockaddr*>(&address), sizeof address);
    if (sent < 0 && (errno == ECONNREFUSED || errno == EHOSTUNREACH)) {
        // The error of an earlier datagram, reported here; it stays in the error queue for
        // Receive, and this datagram has not left yet.
        sent = sendto(m_fd, bytes.data(), bytes.size(), MSG_NOSIGNAL,
                      reinterpret_cast<const sockaddr*>(&address), sizeof address);
    }
    return sent == static_cast<ssize_t>(bytes.size());
}

std::optional<Datagram> UdpSocket::ReceiveError() {
    char control[512];
    sockaddr_in offender{};
    msghdr message{};
    message.msg_name = &offender;
    message.msg_namelen = sizeof offender;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    if (recvmsg(m_fd, &message, MSG_ERRQUEUE | MSG_DONTWAIT) < 0) {
        return std::nullopt;
    }
    for (cmsghdr* header = CMSG_FIRSTHDR(&message); header != nullptr;
         header = CMSG_NXTHDR(&message, header)) {
        if (header->cmsg_level != IPPROTO_IP || header->cmsg_type != IP_RECVERR) {
            continue;
        }
        sock_extended_err error{};
        std::memcpy(&error, CMSG_DATA(header), sizeof error);
        constexpr std::uint8_t DESTINATION_UNREACHABLE = 3;
        constexpr std::uint8_t PORT_UNREACHABLE = 3;
        if (error.ee_origin == SO_EE_ORIGIN_ICMP && error.ee_type == DESTINATION_UNREACHABLE &&
            error.ee_code == PORT_UNREACHABLE && offender.sin_family == AF_INET) {
            Datagram refusal;
            refusal.ip = offender.sin_addr.s_addr;
            refusal.port = ntohs(offender.sin_port);
            refusal.refused = true;
            return refusal;
        }
    }
    return std::nullopt;
}

std::optional<Datagram> UdpSocket::Receive(std::chrono::microseconds timeout) {
    pollfd entry{m_fd, POLLIN, 0};
    auto seconds = std::chrono::duration_cast<std::chrono::seconds>(timeout);
    timespec wait{static_cast<time_t>(seconds.count()),
                  static_cast<long>(std::chrono::nanoseconds(timeout - seconds).count())};
    if (timeout.count() < 0) {
        wait = {0, 0};
    }
    if (ppoll(&entry, 1, &wait, nullptr) <= 0) {
        return std::nullopt;
    }
    if ((entry.revents & POLLERR) != 0) {
        return ReceiveError();
    }
    Datagram datagram;
    datagram.bytes.resize(RECEIVE_MAX);
    sockaddr_in from{};
    socklen_t fromLength = sizeof from;
    // MSG_TRUNC makes the call report the datagram's real length.
    ssize_t length =
        recvfrom(m_fd, datagram.bytes.data(), datagram.bytes.size(), MSG_TRUNC | MSG_DONTWAIT,
                 reinterpret_cast<sockaddr*>(&from), &fromLength);
    if (length < 0 || from.sin_family != AF_INET) {
        return std::nullopt;
    }
    datagram.truncated = static_cast<std::size_t>(length) > RECEIVE_MAX;
    datagram.bytes.resize(std::min(static_cast<std::size_t>(length), RECEIVE_MAX));
    datagram.ip = from.sin_addr.s_addr;
    datagram.port = ntohs(from.sin_port);
    return datagram;
}

std::uint16_t UdpSocket::LocalPort() const {
    sockaddr_in address{};
    socklen_t length = sizeof address;
    getsockname(m_fd, reinterpret_cast<sockaddr*>(&address), &length);
    return ntohs(address.sin_port);
}

}  // namespace halvera
