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

// An address whose windows a stop request cut before its verdict was complete.
inline constexpr int SWEEP_CUT = 0;

// What ProbeNode gives for one address, and the MAC its presence reply came from (nothing
// when it did not answer).
struct SweepOutcome {
    // 1 present, 2 absent, -1 not probed because the driver failed, SWEEP_CUT
    int result = 2;
    TestBits bits = 0;
    std::optional<MacAddress> mac;
};

// Probes a block of addresses together, one capture window per probe kind: the broadcast
// request to every address, then, for the addresses that answered, one window per fake
// destination (B47, B16, B8), so that a reply always belongs to the test of its window. An
// address's attempts of a kind all go out in its window, spread over it (CaptureWindow's
// waves), and a reply to any of them is the kind's answer: the replies to one request sent
// again cannot be told apart, so waiting for each before the next would buy nothing. A
// reply counts for an address of its window when the address sent it to the own MAC; a
// reply another station asked for says nothing about this probe, nor does a test reply
// from an address that the own kernel looked up in the same window (its window is repeated
// once). The own address, which never hears its own request, gets one presence attempt;
// attempts below 1 count as 1, above 101 (RETRY 100, the most the settings allow) as 101. A failed
// presence window leaves its addresses at -1 and a failed test window ends the tests with the bits
// found; after a failure no further window is sent, so the driver's failure is reported once. A
// window that the attempt's stop request cut leaves SWEEP_CUT for every address it would have
// settled (an absent address stays absent once the presence window is over). Outcomes come in the
// order of targets.
std::vector<SweepOutcome> SweepBlock(const PacketAttempt& attempt, const LocalAdapterInfo& local,
                                     std::span<const SweepTarget> targets);

}  // namespace halvera
