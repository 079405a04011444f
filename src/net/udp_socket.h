#pragma once

#include <memory>

#include "net/datagram_socket.h"

namespace halvera {

// A POSIX UDP socket bound to a local address and port.
class UdpSocket : public DatagramSocket {
  public:
    // Largest datagram kept whole; a larger one arrives marked truncated.
    static constexpr std::size_t RECEIVE_MAX = 8192;

    // Binds to ip:port (0 for any address, 0 for a free port); nothing when that fails.
    static std::unique_ptr<UdpSocket> Open(Ipv4 ip, std::uint16_t port);
    ~UdpSocket() override;
    UdpSocket(const UdpSocket&) = delete;
    UdpSocket& operator=(const UdpSocket&) = delete;

    bool SendTo(Ipv4 ip, std::uint16_t port, std::span<const std::uint8_t> bytes) override;
    std::optional<Datagram> Receive(std::chrono::microseconds timeout) override;
    // The bound port, in host order.
    std::uint16_t LocalPort() const;

  private:
    explicit UdpSocket(int fd) : m_fd(fd) {}
    // The next entry of the error queue: a refusal, or nothing for any other error.
    std::optional<Datagram> ReceiveError();
    int m_fd;
};

}  // namespace halvera
