#include "net/udp_socket.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>

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
    if (bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
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
    return sent == static_cast<ssize_t>(bytes.size());
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
