#include "net/node_update_steps.h"

#include "net/node_list.h"

namespace halvera {

void NodeUpdateSteps::BeginRun() {
    m_searcher.emplace(m_context, LocalAdapterInfo{});
}

void NodeUpdateSteps::EndRun() {
    m_searcher.reset();
}

int NodeUpdateSteps::ProbeAndUpdate(const LocalAdapterInfo& local, Ipv4 ip, int attempts,
                                    NodeRecord& record) {
    if (!m_searcher) {
        BeginRun();
    }
    m_searcher->SetLocalAdapter(local);
    return m_searcher->ProbeAndUpdate(ip, attempts, record);
}

int NodeUpdateSteps::IsNodeChecked(Ipv4 ip) {
    return halvera::IsNodeChecked(m_context.nodeList, ip);
}

void NodeUpdateSteps::FlushPendingMail() {
    m_context.events.FlushPendingMail();
}

}  // namespace halvera
