#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace halvera {

// IPv4 addresses are held in network byte order (first octet first in memory), as
// inet_addr returns them; ranges compare them in host order.
using Ipv4 = std::uint32_t;
using MacAddress = std::array<std::uint8_t, 6>;

// inet_addr's answer for text that is no address.
inline constexpr Ipv4 IP_NONE = 0xFFFFFFFFu;

// "%d.%d.%d.%d" of the four bytes in memory order.
std::string FormatIp(Ipv4 ip);
// inet_addr: IP_NONE for text that is no address (note: "255.255.255.255" gives it too).
Ipv4 InetAddr(std::string_view text);
// The address as an unsigned number in host order, for range comparisons.
std::uint32_t HostOrder(Ipv4 ip);
// The network-order address of a host-order number.
Ipv4 NetworkOrder(std::uint32_t hostOrder);
// Builds an address from its four octets, first octet first.
Ipv4 MakeIp(int a, int b, int c, int d);

// "%02X-%02X-%02X-%02X-%02X-%02X".
std::string FormatMac(const MacAddress& mac);
bool IsZeroMac(const MacAddress& mac);

}  // namespace halvera
