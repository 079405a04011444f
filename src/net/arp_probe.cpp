#include "net/arp_probe.h"

#include "net/arp_sweep.h"

namespace halvera {
int ProbeNode(const PacketAttempt& attempt, const LocalAdapterInfo& local, Ipv4 probed,
              int attempts, TestBits& bits) {
    // One address is a block of one: the same windows, so the same verdict.
    const SweepTarget target{probed, attempts};
    const SweepOutcome outcome = SweepBlock(attempt, local, {&target, 1}).front();
    if (outcome.result == 1) {
        bits = outcome.bits;
    }
    return outcome.result;
}

bool IsSniffing(std::int32_t promiss, TestBits bits) {
    if ((promiss & PROMISS_ANY) != 0) {
        return bits != 0;
    }
    const auto selected = static_cast<TestBits>(promiss);
    return selected != 0 && (bits & selected) == selected;
}

}  // namespace halvera
