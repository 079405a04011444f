#pragma once

#include <atomic>
#include <functional>
#include <span>

#include "base/ip_address.h"
#include "net/arp_sweep.h"
#include "net/local_adapter_info.h"
#include "net/probe_result.h"
#include "net/run_names.h"
#include "store/node_record.h"

namespace halvera {

// What a search run asks of the node update and the event actions: the per-address step
// with its state for one run, the monitor check box of a node's row, and the mail of the
// run when it ends. Called from the run thread only.
class SearchRunSteps {
  public:
    virtual ~SearchRunSteps() = default;

    // A run starts and ends: the per-address step keeps its state for one run only. stop is
    // the run's stop request: it cuts the probe windows in flight (null: never).
    virtual void BeginRun(const std::atomic<int>* stop) = 0;
    virtual void EndRun() = 0;

    // Probes ip with `attempts` attempts from the own adapter `local` and brings the node
    // list, the node store and the events up to date. record is the node's stored record (an
    // empty one when the address is not stored). Failed (a driver error) ends the run; Cut
    // when a stop request cut its windows (nothing was changed).
    virtual ProbeResult ProbeAndUpdate(const LocalAdapterInfo& local, Ipv4 ip, int attempts,
                                       NodeRecord& record) = 0;

    // Probes the targets together and keeps what each gave for its ProbeAndUpdate with the
    // same attempts, which then sends nothing for it.
    virtual void ProbeBlock(const LocalAdapterInfo& local,
                            std::span<const SweepTarget> targets) = 0;
    // The run's name walks, asked for the answering addresses and awaited before a step
    // reads the name book; null when no walk runs.
    virtual void SetNames(RunNames* names) = 0;

    // Whether ProbeAndUpdate of ip with these attempts has a probed outcome waiting.
    virtual bool HasOutcome(Ipv4 ip, int attempts) = 0;

    // 1 when the first node list row of the address has its check box set; 0 when it is
    // clear or the address has no row.
    virtual int IsNodeChecked(Ipv4 ip) = 0;

    // Sends the mail the run's events queued, as one mail, and empties the queue.
    virtual void FlushPendingMail() = 0;
};

}  // namespace halvera
