#pragma once

#include <chrono>

#include "base/ip_address.h"
#include "net/local_adapter_info.h"
#include "net/packet_attempt.h"

namespace halvera {

// How long a MAC look-up waits for the address to answer: up to `tries` requests, each
// followed by a window of `window`, read every `step` so that an answer ends it at once.
struct ArpLookupTiming {
    int tries = 3;
    std::chrono::milliseconds window{330};
    std::chrono::milliseconds step{10};
};

// The MAC of an address on the own segment. The own address gives the own MAC without
// traffic; an address outside the subnet leaves mac untouched; otherwise one broadcast ARP
// request at a time goes out on the adapter of the attempt (ADPNUM) and the first reply from
// the address gives its sender MAC. No reply, or a driver that fails, leaves mac untouched
// and is not reported: callers clear mac first when they need to see the failure. True when
// mac was filled. The attempt's wait paces the reads.
bool GetMacByArp(const PacketAttempt& attempt, const LocalAdapterInfo& local, Ipv4 address,
                 MacAddress& mac, const ArpLookupTiming& timing = {});

}  // namespace halvera
