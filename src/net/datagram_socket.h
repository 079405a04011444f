#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "base/ip_address.h"

namespace halvera {

// One received UDP datagram and where it came from; or, refused, the word that a datagram
// sent to ip:port found the port closed (an ICMP port unreachable), without bytes.
struct Datagram {
    Ipv4 ip = 0;
    std::uint16_t port = 0;
    std::vector<std::uint8_t> bytes;
    bool truncated = false;  // larger than the receive buffer; bytes holds only its start
    bool refused = false;
};

// A UDP socket as the name walk uses it, behind a port so that tests can script the network.
class DatagramSocket {
  public:
    virtual ~DatagramSocket() = default;
    // Sends one datagram; false when the system refused it.
    virtual bool SendTo(Ipv4 ip, std::uint16_t port, std::span<const std::uint8_t> bytes) = 0;
    // The next datagram (or refusal) that arrives within the timeout; nothing when none does.
    virtual std::optional<Datagram> Receive(std::chrono::microseconds timeout) = 0;
};

}  // namespace halvera
