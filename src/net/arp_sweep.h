#pragma once

#include <optional>
#include <span>
#include <vector>

#include "base/ip_address.h"
#include "net/local_adapter_info.h"
#include "net/packet_attempt.h"
#include "net/probe_frame.h"

namespace halvera {

// One address of a sweep block and the attempts it gets per probe kind.
struct SweepTarget {
    Ipv4 ip = 0;
    int attempts = 1;
};

// What ProbeNode would have given for one address, and the MAC its presence reply came
// from (nothing when it did not answer).
struct SweepOutcome {
    int result = 2;  // 1 present, 2 absent, -1 not probed because the driver failed
    TestBits bits = 0;
    std::optional<MacAddress> mac;
};

// Probes a block of addresses together, in rounds on one capture window each: the
// broadcast requests of every address still silent and with attempts left, at the
// attempt's send rate, then, for the addresses that answered, one round per fake
// destination (B47, B16, B8) and attempt, so that a reply always belongs to the test of
// its round. A reply counts for an address of its round when the address sent it to the
// own MAC; a reply another station asked for says nothing about this probe, nor does a
// test round's reply from an address that the own kernel looked up in the same window
// (that round is repeated once without counting as an attempt). Per address
// the verdict is ProbeNode's (the own address, which never hears its own request, gets one
// presence attempt): attempts below 1 count as 1, a failed presence round leaves
// its silent addresses at -1 and a failed test round ends the tests with the bits found.
// After a failure no further round is sent, so the driver's failure is reported once.
// Outcomes come in the order of targets.
std::vector<SweepOutcome> SweepBlock(const PacketAttempt& attempt, const LocalAdapterInfo& local,
                                     std::span<const SweepTarget> targets);

}  // namespace halvera
