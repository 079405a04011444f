#pragma once

#include <cstdint>

#include "base/ip_address.h"
#include "net/local_adapter_info.h"
#include "net/packet_attempt.h"
#include "net/probe_frame.h"
#include "store/sniff_criterion.h"

namespace halvera {

// Probes one address: the broadcast request `attempts` times in one window, and when the
// host answers, the fake destinations B47, B16 and B8 in this order, each `attempts` times
// in a window of its own (SweepBlock with this one address). Returns 1 (present), 2
// (absent), -1 (the presence window failed) or SWEEP_CUT (the attempt's stop request cut
// a window). bits is written only for 1; a failure during the tests ends them and keeps the
// bits found so far. attempts count as SweepBlock counts them.
int ProbeNode(const PacketAttempt& attempt, const LocalAdapterInfo& local, Ipv4 probed,
              int attempts, TestBits& bits);

// Whether a node with these test bits is a sniffing node under the setting PROMISS.
bool IsSniffing(std::int32_t promiss, TestBits bits);

}  // namespace halvera
