#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "base/ip_address.h"
#include "net/host_resolver.h"
#include "store/name_book.h"
#include "store/node_record.h"

namespace halvera {

// True when the address lies outside the own subnet. Mask 0 means no known subnet, so every
// address counts as inside.
bool IsOutsideSubnet(Ipv4 ip, Ipv4 ownIp, Ipv4 mask);

// Makes a name from the network safe to store: a comma, a control byte or a byte that does
// not belong to a CP932 character becomes "_". The name book and the node files keep fields
// separated by commas and cut at NUL and LF (0xFF encodes to NUL), so such a byte would cut
// or shift the fields of the stored line.
std::string SanitizeNetworkName(std::string_view name);

// The host name of the address: the reverse look-up's name, confirmed by a forward look-up
// of that name that gives the address back; the forward look-up's canonical name when it has
// one. Made safe and cut to NODE_NAME_MAX bytes; empty when either look-up fails or the
// forward look-up does not lead back to the address.
std::string ResolveHostName(Ipv4 ip, HostResolver& resolver);

// Fills the host name and workgroup of a node that answered: both are cleared and taken from
// the name book; when the book gives no host name and look-ups are enabled (wins not 0),
// the resolver's name is used and stored in the book with the workgroup.
void FillNodeNames(NodeRecord& record, std::int32_t wins, NameBook& book, HostResolver& resolver);
// The same with the resolver's name given by `resolve` (a name looked up ahead of time).
void FillNodeNames(NodeRecord& record, std::int32_t wins, NameBook& book,
                   const std::function<std::string(Ipv4)>& resolve);

}  // namespace halvera
