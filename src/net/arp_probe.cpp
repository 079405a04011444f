#include "net/arp_probe.h"

#include <algorithm>

namespace halvera {
namespace {

// Up to `attempts` attempts of one kind: 1 at the first reply, 2 after all stayed silent,
// -1 at the first failed attempt. The first unsure attempt is repeated without counting; a
// later one counts as silent, so that a busy neighbour cannot hold the probe.
int ProbeKindUntilReply(const PacketAttempt& attempt, const LocalAdapterInfo& local, int kind,
                        Ipv4 probed, int attempts) {
    ProbeFrame frame = BuildProbeFrame(kind, local);
    bool repeated = false;
    while (attempts > 0) {
        const int result = SendAndCapture(attempt, frame, probed);
        if (result == PROBE_UNSURE && !repeated) {
            repeated = true;
            continue;
        }
        if (result == 1 || result == -1) {
            return result;
        }
        --attempts;
    }
    return 2;
}

}  // namespace

int ProbeNode(const PacketAttempt& attempt, const LocalAdapterInfo& local, Ipv4 probed,
              int attempts, TestBits& bits) {
    // With no attempt at all every node would look absent.
    attempts = std::max(attempts, 1);
    const int presence = ProbeKindUntilReply(attempt, local, PROBE_PRESENCE, probed, attempts);
    if (presence != 1) {
        return presence;
    }
    TestBits found = 0;
    for (int kind : {PROBE_B47, PROBE_B16, PROBE_B8}) {
        const int result = ProbeKindUntilReply(attempt, local, kind, probed, attempts);
        if (result == -1) {
            break;
        }
        if (result == 1) {
            found |= ProbeTestBit(kind);
        }
    }
    bits = found;
    return 1;
}

bool IsSniffing(std::int32_t promiss, TestBits bits) {
    if ((promiss & PROMISS_ANY) != 0) {
        return bits != 0;
    }
    const auto selected = static_cast<TestBits>(promiss);
    return selected != 0 && (bits & selected) == selected;
}

}  // namespace halvera
