#pragma once

#include <chrono>
#include <cstdint>
#include <span>
#include <utility>
#include <vector>

#include "base/ip_address.h"
#include "net/datagram_socket.h"
#include "net/monotonic_clock.h"
#include "net/node_status.h"
#include "store/name_book.h"

namespace halvera {

// One search range: first and last address, network order, both included.
struct NameQueryRange {
    Ipv4 start = 0;
    Ipv4 end = 0;
};

// Addresses in host order, first and last included.
using HostSpan = std::pair<std::uint64_t, std::uint64_t>;

// The ranges cut to [first, last] in host order, without the empty ones, sorted and merged so
// that no address lies in two spans.
std::vector<HostSpan> MergedHostSpans(std::span<const NameQueryRange> ranges,
                                      std::uint64_t first = 0, std::uint64_t last = 0xFFFFFFFF);

// Pacing of the name walk. The defaults query a /24 in a quarter of a second and spread a
// /16 over about a minute instead of sending 65,000 datagrams at once; a node on the segment
// answers within milliseconds, so half a second after the last query is ample.
struct NameQueryOptions {
    std::uint16_t port = NETBIOS_NAME_PORT;  // where the nodes listen
    Ipv4 bindIp = 0;                         // local address of the querying socket
    int sendRate = 1000;                     // queries per second, at least 1
    int burst = 16;                          // queries that may leave at once
    std::chrono::microseconds replyWait = std::chrono::milliseconds(500);  // after the last query
};

// Asks every address of the ranges that lies inside the own subnet for its NetBIOS names
// (node status query for "*"), many queries in flight at once, and puts the computer name
// and workgroup of every node that answers in time into the name book. Overlapping ranges
// are queried once; the subnet's own and broadcast addresses are not queried. The walk ends
// replyWait after its last query, or as soon as every address asked has answered or refused
// the query (its name port closed). Replies are
// taken only from a queried address, from the name port, with that address's transaction
// id, and once per address; anything malformed is ignored. Returns the number of nodes
// named.
int EnumerateNetworkNames(std::span<const NameQueryRange> ranges, Ipv4 ownIp, Ipv4 mask,
                          NameBook& book, DatagramSocket& socket, const MonotonicClock& clock,
                          const NameQueryOptions& options = {});

// The same over a UDP socket of its own and the steady clock. A socket that cannot be opened
// ends the walk without names, as any other failure of it does.
int EnumerateNetworkNames(std::span<const NameQueryRange> ranges, Ipv4 ownIp, Ipv4 mask,
                          NameBook& book, const NameQueryOptions& options = {});

}  // namespace halvera
