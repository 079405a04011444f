#pragma once

#include <optional>

#include "net/node_searcher.h"
#include "net/search_run_steps.h"

namespace halvera {

// The per-address step of the search runs on the real node update: one NodeSearcher for
// each run, the node list's check boxes, and the event mail of the run. Used from the run
// thread only.
class NodeSearchSteps : public SearchRunSteps {
  public:
    explicit NodeSearchSteps(NodeSearchContext context) : m_context(context) {}

    void BeginRun(const std::atomic<int>* stop) override;
    void EndRun() override;
    ProbeResult ProbeAndUpdate(const LocalAdapterInfo& local, Ipv4 ip, int attempts,
                               NodeRecord& record) override;
    void ProbeBlock(const LocalAdapterInfo& local, std::span<const SweepTarget> targets) override;
    bool HasOutcome(Ipv4 ip, int attempts) override;
    void SetNames(RunNames* names) override;
    int IsNodeChecked(Ipv4 ip) override;
    void FlushPendingMail() override;

  private:
    NodeSearchContext m_context;
    std::optional<NodeSearcher> m_searcher;
    RunNames* m_runNames = nullptr;
    const std::atomic<int>* m_stop = nullptr;
};

}  // namespace halvera
