#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>

#include "base/ip_address.h"
#include "lists/test_bits.h"
#include "net/local_adapter_info.h"

namespace halvera {

// The Ethernet destination of an ARP probe. Presence goes to broadcast; the others are
// fake destinations that a NIC in normal mode drops and a promiscuous one passes up.
enum ProbeKind : int {
    PROBE_PRESENCE = 0,  // FF:FF:FF:FF:FF:FF
    PROBE_B47 = 1,       // FF:FF:FF:FF:FF:FE
    PROBE_B16 = 2,       // FF:FF:00:00:00:00
    PROBE_B8 = 3,        // FF:00:00:00:00:00
    PROBE_GR = 4,        // 01:00:00:00:00:00, offered in the settings but never sent
};

inline constexpr std::size_t PROBE_FRAME_SIZE = 42;
using ProbeFrame = std::array<std::uint8_t, PROBE_FRAME_SIZE>;

// Destination of a kind; a kind outside the table goes to FF:FF:FF:FF:FF:FE.
MacAddress ProbeDestination(int kind);
// The test bit a kind sets, 0 for presence and for kinds outside the table.
TestBits ProbeTestBit(int kind);

// An ARP request from this host (own MAC and address) to kind's destination, target
// address still zero. No padding: the driver pads to the Ethernet minimum.
ProbeFrame BuildProbeFrame(int kind, const LocalAdapterInfo& local);
// Writes the probed address into the request's target protocol address.
void SetProbeTarget(ProbeFrame& frame, Ipv4 probed);

// The sender of an ARP reply.
struct ArpReplySender {
    Ipv4 address = 0;
    MacAddress mac{};
};

// An ARP reply to this host: a whole Ethernet/IPv4 ARP reply (at least 42 bytes, EtherType
// 0x0806, hardware type 1, protocol 0x0800, lengths 6 and 4, operation 2) sent to the own MAC
// (Ethernet destination and target MAC) and the own address, from a unicast sender MAC that
// is not all zero. Its sender; nothing for any other frame.
std::optional<ArpReplySender> ParseArpReplyTo(std::span<const std::uint8_t> frame,
                                              const MacAddress& ownMac, Ipv4 ownAddress);
// The same for the host that sent this request (its sender MAC and address).
std::optional<ArpReplySender> ParseArpReplyTo(std::span<const std::uint8_t> frame,
                                              const ProbeFrame& request);

// The address of an ARP request that this host sent (the probe's sender MAC and address) to
// another Ethernet destination than the probe's: the kernel's own look-up, say for a datagram
// to an expired neighbour. Its answer comes to the own MAC just as an answer to the probe
// would. Nothing for any other frame, and nothing for a broadcast probe, where either answer
// proves presence alike.
std::optional<Ipv4> ParseLookUpBesideProbe(std::span<const std::uint8_t> frame,
                                           const ProbeFrame& probe);

}  // namespace halvera
