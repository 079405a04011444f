#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "base/ip_address.h"
#include "net/arp_sweep.h"
#include "net/probe_frame.h"
#include "store/node_record.h"

namespace halvera {

// What one probe of an address changes about the node there, in the order the node update
// raises the events.
enum class NodeChange {
    New,              // never seen before: monitored from now on
    Up,               // down before, answers again
    Down,             // up before, silent now
    StillThere,       // up before (or moved or taken back) and answering
    Moved,            // its MAC was known under another address (record.prevIp)
    DeviceChanged,    // the address answers with another MAC than stored (record.prevMac)
    SniffingFound,    // the test bits changed and now make it a sniffing node
    SniffingCleared,  // still there, no longer a sniffing node
};

// Where the record of a node that answered comes from.
enum class RecordSource {
    Address,    // the one stored at the probed address, or a new one
    Stored,     // the one stored under the MAC's other address, which no longer answers with it
    Displaced,  // a node displaced from its address by another one earlier
    Elsewhere,  // the MAC still answers at its other stored address: nothing changes here
};

// The decision on one probed address: what changed and the node's record as it is now
// (names, vendor and dates are the applying step's). No change at all when the address is
// silent and was not up, or when the MAC still answers at its other stored address.
struct NodeVerdict {
    std::vector<NodeChange> changes;
    RecordSource source = RecordSource::Address;
    // The address held another stored node, which moved away or is displaced now.
    bool displacesStored = false;
    NodeRecord record;

    bool Has(NodeChange change) const;
};

// What the decision may ask beyond the stored record. Answers only, no change: the segment
// through ARP, the store through its indexes.
class NodeLookups {
  public:
    virtual ~NodeLookups() = default;
    // The MAC that answers ARP at the address now; nothing when none answers.
    virtual std::optional<MacAddress> MacAt(Ipv4 ip) = 0;
    // The record of a node displaced earlier that has this MAC.
    virtual std::optional<NodeRecord> DisplacedWithMac(const MacAddress& mac) = 0;
    // A stored node with this MAC under another address than `except`.
    virtual std::optional<NodeRecord> StoredWithMacElsewhere(const MacAddress& mac,
                                                             Ipv4 except) = 0;
};

// The settings the decision reads.
struct VerdictRules {
    Ipv4 ownAddress = 0;       // never hears its own request, answers all the same
    std::int32_t promiss = 0;  // PROMISS: which test bits make a sniffing node (0 none)
};

// Decides what the outcome of a probe of `address` (present or absent, never a failed probe)
// means for the node stored there (`stored`, empty when none is). Pure: it reads the
// look-ups and changes nothing.
NodeVerdict Decide(const NodeRecord& stored, Ipv4 address, const SweepOutcome& outcome,
                   const VerdictRules& rules, NodeLookups& lookups);

// The identity half of Decide for a node that answered at `address` with `mac`: the record it
// has now (stored's own, a displaced one, or the one stored under its other address) and
// whether it moved or the address changed device. Changes holds at most Moved or
// DeviceChanged.
NodeVerdict IdentifyAnswer(const NodeRecord& stored, Ipv4 address, const MacAddress& mac,
                           NodeLookups& lookups);

}  // namespace halvera
