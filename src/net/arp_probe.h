#pragma once

#include <cstdint>

#include "base/ip_address.h"
#include "net/local_adapter_info.h"
#include "net/packet_attempt.h"
#include "net/probe_frame.h"
#include "store/sniff_criterion.h"

namespace halvera {

// Probes one address: the broadcast request up to `attempts` times, and when the host
// answers, the fake destinations B47, B16 and B8 in this order, each up to `attempts`
// times. Returns 1 (present), 2 (absent) or -1 (an attempt failed during the presence
// probe). bits is written only for 1; an attempt that fails during the tests ends them and
// keeps the bits found so far. attempts below 1 count as 1.
int ProbeNode(const PacketAttempt& attempt, const LocalAdapterInfo& local, Ipv4 probed,
              int attempts, TestBits& bits);

// Whether a node with these test bits is a sniffing node under the setting PROMISS.
bool IsSniffing(std::int32_t promiss, TestBits bits);

}  // namespace halvera
