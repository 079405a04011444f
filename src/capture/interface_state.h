#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "base/ip_address.h"

namespace halvera {

// One interface as the kernel has it at this moment: what a frame sent by it may claim as
// its sender.
struct InterfaceState {
    std::string name;
    MacAddress mac{};
    std::vector<Ipv4> addresses;  // every IPv4 address it holds, in the kernel's order

    bool operator==(const InterfaceState&) const = default;
};

// Asks the kernel (rtnetlink) for the interface with this index: its name and MAC, then its
// IPv4 addresses. Nothing when no such interface exists (it was removed, or removed and
// made again under another index), it is no Ethernet interface, or the kernel cannot be
// asked.
std::optional<InterfaceState> ReadInterfaceState(int interfaceIndex);

// What one batch of rtnetlink replies tells about the interface `interfaceIndex`; the
// replies are read with a bounds check for every header and attribute.
enum class NetlinkBatch {
    More,      // the batch was read; further batches follow
    Done,      // the batch ended the answer
    Refused,   // the kernel answered with an error (no such interface, among others)
    Malformed  // a header or an attribute runs past its message or the batch
};
// RTM_NEWLINK messages: the interface's name and an Ethernet MAC.
NetlinkBatch ReadLinkReplies(std::span<const std::uint8_t> batch, int interfaceIndex,
                             InterfaceState& state, bool& found);
// RTM_NEWADDR messages: the IPv4 addresses (IFA_LOCAL, else IFA_ADDRESS) of the interface.
NetlinkBatch ReadAddressReplies(std::span<const std::uint8_t> batch, int interfaceIndex,
                                InterfaceState& state);

}  // namespace halvera
