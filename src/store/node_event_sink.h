#pragma once

#include "base/ip_address.h"
#include "store/node_record.h"

namespace halvera {

// Where the node update raises its events (the kinds of store/event_kind.h). The event
// actions implement it and the engine wires them in, so probing and identification depend
// neither on mail nor on popups or desktop actions. Called from the run thread.
class NodeEventSink {
  public:
    virtual ~NodeEventSink() = default;

    // Raises kind for the node (read only), as seen from the own address.
    virtual void RunEventActions(const NodeRecord& node, int kind, Ipv4 ownAddress) = 0;
    // At the end of a run: sends what the run's events queued for mail.
    virtual void FlushPendingMail() = 0;
};

}  // namespace halvera
