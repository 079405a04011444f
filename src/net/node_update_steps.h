#pragma once

#include <optional>

#include "net/node_searcher.h"
#include "net/search_run_steps.h"

namespace halvera {

// The per-address steps of the search runs on the node update and the event actions: a
// NodeSearcher for each run, the check boxes of the node list, and the run's mail.
class NodeUpdateSteps : public SearchRunSteps {
  public:
    explicit NodeUpdateSteps(NodeSearchContext context) : m_context(context) {}

    void BeginRun() override;
    void EndRun() override;
    int ProbeAndUpdate(const LocalAdapterInfo& local, Ipv4 ip, int attempts,
                       NodeRecord& record) override;
    int IsNodeChecked(Ipv4 ip) override;
    void FlushPendingMail() override;

  private:
    NodeSearchContext m_context;
    std::optional<NodeSearcher> m_searcher;
};

}  // namespace halvera
