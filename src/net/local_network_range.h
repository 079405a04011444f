#pragma once

#include <optional>
#include <string_view>

#include "base/ip_address.h"

namespace halvera {

// An address range, both ends included.
struct IpRange {
    Ipv4 start = 0;
    Ipv4 end = 0;

    bool operator==(const IpRange&) const = default;
};

// The host addresses of the subnet of `address` under `mask`: network + 1 … broadcast - 1,
// for any mask. A /31 has no network or broadcast address, so both of its addresses are
// hosts; a /32 is the one address.
IpRange LocalNetworkRange(Ipv4 address, Ipv4 mask);

// A range in CIDR form ("198.18.7.0/24"): the host addresses of that network, as
// LocalNetworkRange gives them. Nothing for any other text.
std::optional<IpRange> ParseCidrRange(std::string_view text);

}  // namespace halvera
