#pragma once

#include <sys/types.h>

#include <cstdint>

#include "base/ip_address.h"

namespace halvera {

// One end of a UDP exchange: an IPv4 address (network order, as Ipv4 holds it) and a port.
struct UdpEnd {
    Ipv4 ip = 0;
    std::uint16_t port = 0;
};

enum class UdpOwnerLookup {
    FOUND,    // uid holds the owner
    NONE,     // no socket of this host takes such a datagram
    UNKNOWN,  // the kernel's socket diagnostics cannot tell (no UDP support, refused)
};

struct UdpSocketOwner {
    UdpOwnerLookup lookup = UdpOwnerLookup::UNKNOWN;
    uid_t uid = 0;
};

// The user that owns the socket of this host which receives a datagram sent from `from` to
// `to`, as the kernel's socket diagnostics (NETLINK_SOCK_DIAG, inet_diag for UDP) find it: the
// same socket the kernel would deliver that datagram to, bound or connected. For the sender
// of a received datagram, `to` is its source and `from` the own end it came to; for the
// holder of a port, `to` is that port and `from` the end a datagram would leave from.
UdpSocketOwner FindUdpSocketOwner(UdpEnd from, UdpEnd to);

}  // namespace halvera
